// The download scheduler: printer threads wait in a first-in-first-out queue and are
// told to download while fewer than the ceiling are running.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "CBaseThread.h"

class CThrottleThread : public CBaseThread {
public:
    const CThreadMessageMap* GetMessageMap() const override;
    // Starts the next pending download while there is room.
    bool OnIdle(long lCount) override;
    // Asks for one download by a printer thread; called on the requester's thread.
    void RequestDownload(WPARAM pThread, std::uint32_t nThreadID);
    // Drops every pending and running entry, and every request made before it that has not
    // been taken in yet; the printer thread of each dropped request is told so. Called on
    // the requester's thread.
    void ClearQueues();

    std::size_t PendingCount() const;
    std::size_t RunningCount() const;

    // Written by the requester's thread before each request; read at every idle pass.
    std::atomic<int> m_nMaxSimultaneous{1};

protected:
    // wParam: the printer thread to start; lParam: its thread id.
    void OnQueueDownload(WPARAM wParam, LPARAM lParam);
    // wParam: the printer thread whose download ended.
    void OnDownloadDone(WPARAM wParam, LPARAM lParam);

private:
    // A printer thread may have ended by the time it is looked at, so it is kept only
    // as an identity to compare, next to the id that posts reach it by.
    struct Entry {
        WPARAM pThread;
        std::uint32_t nThreadID;
    };

    // Always taken pending first, never the pending one while holding the running one.
    mutable std::mutex m_pendingMutex;
    mutable std::mutex m_runningMutex;
    std::deque<Entry> m_pendingThreads;
    std::deque<Entry> m_runningThreads;
    // Requests are counted as they are made and as they are taken in (in the same order,
    // the queue being first in, first out), so a cancel can name exactly the ones it drops.
    std::atomic<std::uint64_t> m_nRequestsMade{0};
    std::uint64_t m_nRequestsTakenIn = 0;  // under m_pendingMutex
    std::uint64_t m_nDropRequestsUpTo = 0;  // under m_pendingMutex
};
