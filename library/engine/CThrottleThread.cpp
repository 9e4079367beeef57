#include "CThrottleThread.h"

#include <algorithm>
#include <iterator>

#include "messages.h"

const CThreadMessageMap* CThrottleThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_DOWNLOAD, CThrottleThread::OnQueueDownload),
        ON_THREAD_MESSAGE(WM_DOWNLOAD_DONE, CThrottleThread::OnDownloadDone),
    };
    static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

void CThrottleThread::OnQueueDownload(WPARAM wParam, LPARAM lParam)
{
    // A request without a thread could never report its end and would hold a place for good.
    if (wParam == 0) return;
    std::lock_guard lock(m_pendingMutex);
    m_pendingThreads.push_back({wParam, static_cast<std::uint32_t>(lParam)});
}

void CThrottleThread::OnDownloadDone(WPARAM wParam, LPARAM)
{
    std::lock_guard lock(m_runningMutex);
    const auto found = std::find_if(m_runningThreads.begin(), m_runningThreads.end(),
                                    [wParam](const Entry& entry) { return entry.pThread == wParam; });
    if (found != m_runningThreads.end()) m_runningThreads.erase(found);
}

void CThrottleThread::ClearQueues()
{
    std::lock_guard pendingLock(m_pendingMutex);
    std::lock_guard runningLock(m_runningMutex);
    m_runningThreads.clear();
    m_pendingThreads.clear();
    // Requests posted just before the cancel and not yet taken in would be queued after it.
    RemoveThreadMessages(m_nThreadID, WM_DOWNLOAD);
}

std::size_t CThrottleThread::PendingCount() const
{
    std::lock_guard lock(m_pendingMutex);
    return m_pendingThreads.size();
}

std::size_t CThrottleThread::RunningCount() const
{
    std::lock_guard lock(m_runningMutex);
    return m_runningThreads.size();
}

bool CThrottleThread::OnIdle(long lCount)
{
    const std::size_t pending = PendingCount();
    const auto running = static_cast<long long>(RunningCount());
    if (running >= m_nMaxSimultaneous.load() || pending == 0) return CBaseThread::OnIdle(lCount);

    Entry next;
    {
        std::lock_guard lock(m_pendingMutex);
        if (m_pendingThreads.empty()) return true;  // a ClearQueues came in between
        next = m_pendingThreads.front();
        m_pendingThreads.pop_front();
    }
    PostThreadMessage(next.nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(this), m_nThreadID);
    {
        std::lock_guard lock(m_runningMutex);
        m_runningThreads.push_back(next);
    }
    return true;
}
