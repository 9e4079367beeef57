// The first-in-first-out message queue of one worker thread, with the quit request that
// takes effect only once the queue is drained, and an eventfd so the worker can wait on
// its queue and one more descriptor together.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "CWnd.h"

struct CThreadMessage {
    unsigned message;
    WPARAM wParam;
    LPARAM lParam;
};

class CThreadMessageQueue {
public:
    // What Wait returned.
    enum EWaitResult { waitMessage, waitQuit, waitDescriptor };

    CThreadMessageQueue();
    ~CThreadMessageQueue();
    CThreadMessageQueue(const CThreadMessageQueue&) = delete;
    CThreadMessageQueue& operator=(const CThreadMessageQueue&) = delete;

    // Appends a message; never blocks. False once the queue is closed.
    bool Post(const CThreadMessage& message);
    void PostQuit();
    // Takes every waiting message with this id out of the queue; the others keep their order.
    void Replace(unsigned message, unsigned replacement);
    // True while a message or a pending quit is waiting.
    bool HasMessage() const;
    // Blocks until a message (returned first), then a quit request, or, when extraFd is
    // not -1, until extraFd is readable. Taking the quit closes the queue.
    EWaitResult Wait(CThreadMessage& message, int extraFd);

private:
    void Wake();
    void DrainWakeups();

    mutable std::mutex m_mutex;
    std::deque<CThreadMessage> m_messages;
    bool m_bQuit = false;
    bool m_bClosed = false;
    int m_hWakeup;
};
