#include "CBaseThread.h"

#include <iterator>

#include "messages.h"

const CThreadMessageMap* CBaseThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_THREAD_QUIT, CBaseThread::OnThreadQuit),
    };
    static const CThreadMessageMap map = {CWinThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

bool CBaseThread::InitInstance() { return true; }

bool CBaseThread::Stop(CWinThread* pThread, unsigned timeoutMs)
{
    // Taken before the post: once the quit is handled the object may be gone.
    const HANDLE hThread = pThread->m_hThread;
    PostThreadMessage(pThread->m_nThreadID, WM_THREAD_QUIT, 0, 0);
    return WaitForSingleObject(hThread, timeoutMs);
}

void CBaseThread::OnThreadQuit(WPARAM, LPARAM) { PostQuitMessage(0); }
