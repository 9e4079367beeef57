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

void CThrottleThread::RequestDownload(WPARAM pThread, std::uint32_t nThreadID)
{
    ++m_nRequestsMade;
    PostThreadMessage(m_nThreadID, WM_DOWNLOAD, pThread, nThreadID);
}

void CThrottleThread::OnQueueDownload(WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(m_pendingMutex);
    // A request without a thread could never report its end and would hold a place for good.
    if (wParam == 0) {
        ++m_nRequestsTakenIn;
        return;
    }
    // A request made before a cancel may arrive after it: it is dropped, as if it had waited.
    if (++m_nRequestsTakenIn <= m_nDropRequestsUpTo) {
        PostThreadMessage(static_cast<std::uint32_t>(lParam), WM_DOWNLOAD_DROPPED, 0, 0);
        return;
    }
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
    // Each printer hears that its request ended, so that every request has an outcome.
    for (const Entry& entry : m_pendingThreads) PostThreadMessage(entry.nThreadID, WM_DOWNLOAD_DROPPED, 0, 0);
    m_pendingThreads.clear();
    m_nDropRequestsUpTo = m_nRequestsMade;
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
        // Posted before the lock is let go, so a cancel that follows finds the start either
        // still pending or already in the printer thread's queue, where it removes it.
        PostThreadMessage(next.nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(this), m_nThreadID);
    }
    {
        std::lock_guard lock(m_runningMutex);
        m_runningThreads.push_back(next);
    }
    return true;
}
