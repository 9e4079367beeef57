// Worker thread with its own message queue and the framework's run loop: idle passes
// while the queue is empty, messages handled in posting order by a message table, quit
// once the queue is drained, and the object deleting itself at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <new>

#include "CEvent.h"
#include "CThreadMessageQueue.h"
#include "CWnd.h"

class CWinThread;

// One line of a thread's message table, and the table with its base class's table.
struct CThreadMessageEntry {
    unsigned nMessage;
    void (CWinThread::*pfnHandler)(WPARAM, LPARAM);
};
struct CThreadMessageMap {
    const CThreadMessageMap* pBaseMap;
    const CThreadMessageEntry* pEntries;
    std::size_t nEntries;
};

// A table line for a handler of a class derived from CWinThread.
#define ON_THREAD_MESSAGE(id, memberFn) \
    CThreadMessageEntry { id, static_cast<void (CWinThread::*)(WPARAM, LPARAM)>(&memberFn) }

class CWinThread {
public:
    CWinThread() = default;
    virtual ~CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread, held before InitInstance until ResumeThread when suspended.
    // False when no thread could be made.
    bool CreateThread(bool bSuspended);
    void ResumeThread();

    // The message table; the base has none.
    virtual const CThreadMessageMap* GetMessageMap() const;
    // Run on the thread before the loop; false ends the thread at once.
    virtual bool InitInstance();
    // Idle processing while no message waits; false stops idle passes until the next message.
    virtual bool OnIdle(long lCount);
    // Run on the thread after the loop; the result is the thread's exit code.
    virtual int ExitInstance();
    // The message loop.
    virtual int Run();

    std::uint32_t m_nThreadID = 0;
    // Signalled once the thread has ended and the object, if auto-deleting, is gone.
    HANDLE m_hThread;
    // The window that receives this thread's window messages.
    CWnd* m_pMainWnd = nullptr;
    bool m_bAutoDelete = true;

protected:
    // A descriptor to watch alongside the queue (-1 for none), read before every wait.
    virtual int WatchedDescriptor() const;
    // Called on the thread when the watched descriptor is readable; must consume what it read.
    virtual void OnDescriptorReady();

private:
    static void ThreadMain(CWinThread* pThread, HANDLE hResume, HANDLE hEnded, std::uint32_t nThreadID);
    void Dispatch(const CThreadMessage& message);

    std::shared_ptr<CThreadMessageQueue> m_pQueue;
    HANDLE m_hResume;
};

// Creates a thread object of class T and starts it (held when suspended); null when the
// object or its thread cannot be made.
template <class T>
T* AfxBeginThread(bool bSuspended = false)
{
    T* pThread = new (std::nothrow) T;
    if (pThread && !pThread->CreateThread(bSuspended)) {
        delete pThread;
        return nullptr;
    }
    return pThread;
}

// Posts a thread message; never blocks; false when no live thread has that id.
bool PostThreadMessage(std::uint32_t nThreadID, unsigned message, WPARAM wParam, LPARAM lParam);

// Gives the thread messages with this id that wait in a live thread's queue another id, in
// place, so that what they asked for is answered instead of done.
void ReplaceThreadMessages(std::uint32_t nThreadID, unsigned message, unsigned replacement);

// Asks the calling worker's loop to end once its queue is drained.
void PostQuitMessage(int nExitCode);
