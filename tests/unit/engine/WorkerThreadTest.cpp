// The worker run loop: message order, the idle rule, quit after a drained queue, bounded
// stops, posts to ended threads, and a watched descriptor.
#include <gtest/gtest.h>

#include <condition_variable>
#include <iterator>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "CBaseThread.h"
#include "messages.h"

namespace {

constexpr unsigned kRecord = 100;  // journal "msg<wParam>"
constexpr unsigned kBlock = 101;   // journal "blocked", then wait for the gate
constexpr unsigned kWaitMs = 10000;

// What a probe thread did, in order; owned by the test so it outlives the thread.
struct Journal {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> entries;
    CEvent gate;

    void Add(std::string entry)
    {
        {
            std::lock_guard lock(mutex);
            entries.push_back(std::move(entry));
        }
        changed.notify_all();
    }
    bool WaitForSize(std::size_t size)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return entries.size() >= size; });
    }
    std::vector<std::string> Entries()
    {
        std::lock_guard lock(mutex);
        return entries;
    }
};

class ProbeThread : public CBaseThread {
public:
    const CThreadMessageMap* GetMessageMap() const override
    {
        static const CThreadMessageEntry entries[] = {
            ON_THREAD_MESSAGE(kRecord, ProbeThread::OnRecord),
            ON_THREAD_MESSAGE(kBlock, ProbeThread::OnBlock),
        };
        static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
        return &map;
    }
    bool OnIdle(long lCount) override
    {
        m_pJournal->Add("idle" + std::to_string(lCount));
        return lCount < m_nBusyIdlePasses;
    }
    int WatchedDescriptor() const override { return m_hWatched; }
    void OnDescriptorReady() override
    {
        char byte = 0;
        if (read(m_hWatched, &byte, 1) == 1) m_pJournal->Add(std::string("fd") + byte);
    }

    Journal* m_pJournal = nullptr;
    long m_nBusyIdlePasses = 0;  // OnIdle asks for more while the count is below this
    int m_hWatched = -1;

private:
    void OnRecord(WPARAM wParam, LPARAM) { m_pJournal->Add("msg" + std::to_string(wParam)); }
    void OnBlock(WPARAM, LPARAM)
    {
        m_pJournal->Add("blocked");
        m_pJournal->gate.Wait();
    }
};

ProbeThread* StartSuspended(Journal& journal)
{
    auto* pThread = AfxBeginThread<ProbeThread>(true);
    if (pThread) pThread->m_pJournal = &journal;
    return pThread;
}

TEST(WorkerThread, HandlesEveryQueuedMessageBeforeQuitAndNoIdlePassWhileQuitIsPending)
{
    Journal journal;
    ProbeThread* pThread = StartSuspended(journal);
    ASSERT_NE(pThread, nullptr);
    const HANDLE hThread = pThread->m_hThread;
    const std::uint32_t id = pThread->m_nThreadID;

    PostThreadMessage(id, kRecord, 1, 0);
    PostThreadMessage(id, WM_THREAD_QUIT, 0, 0);
    PostThreadMessage(id, 9999, 0, 0);  // no handler anywhere: dropped
    PostThreadMessage(id, kRecord, 2, 0);
    pThread->ResumeThread();

    ASSERT_TRUE(WaitForSingleObject(hThread, kWaitMs));
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"msg1", "msg2"}));
}

TEST(WorkerThread, IdlePassesCountUpWhileQueueIsEmptyAndRestartAfterEachMessage)
{
    Journal journal;
    ProbeThread* pThread = StartSuspended(journal);
    ASSERT_NE(pThread, nullptr);
    pThread->m_nBusyIdlePasses = 2;
    pThread->ResumeThread();

    ASSERT_TRUE(journal.WaitForSize(3));
    PostThreadMessage(pThread->m_nThreadID, kRecord, 7, 0);
    ASSERT_TRUE(journal.WaitForSize(7));
    EXPECT_EQ(journal.Entries(),
              (std::vector<std::string>{"idle0", "idle1", "idle2", "msg7", "idle0", "idle1", "idle2"}));

    ASSERT_TRUE(CBaseThread::Stop(pThread));
    EXPECT_EQ(journal.Entries().size(), 7u) << "no idle pass once the quit is pending";
}

TEST(WorkerThread, BoundedStopOfAStuckWorkerReturnsAfterTheBound)
{
    Journal journal;
    ProbeThread* pThread = StartSuspended(journal);
    ASSERT_NE(pThread, nullptr);
    const HANDLE hThread = pThread->m_hThread;
    PostThreadMessage(pThread->m_nThreadID, kBlock, 0, 0);
    pThread->ResumeThread();
    ASSERT_TRUE(journal.WaitForSize(1));  // blocked

    EXPECT_FALSE(CBaseThread::Stop(pThread, 50));

    // The quit stays queued: once the handler returns the worker ends by itself.
    journal.gate.SetEvent();
    EXPECT_TRUE(WaitForSingleObject(hThread, kWaitMs));
}

TEST(WorkerThread, IdsAreDistinctAndPostsToAnEndedThreadAreLost)
{
    Journal journal;
    ProbeThread* pFirst = StartSuspended(journal);
    ProbeThread* pSecond = StartSuspended(journal);
    ASSERT_NE(pFirst, nullptr);
    ASSERT_NE(pSecond, nullptr);
    const std::uint32_t firstId = pFirst->m_nThreadID;
    EXPECT_NE(firstId, 0u);
    EXPECT_NE(firstId, pSecond->m_nThreadID);
    pFirst->ResumeThread();
    pSecond->ResumeThread();
    ASSERT_TRUE(CBaseThread::Stop(pFirst));
    ASSERT_TRUE(CBaseThread::Stop(pSecond));

    EXPECT_FALSE(PostThreadMessage(firstId, kRecord, 1, 0));
    EXPECT_FALSE(PostThreadMessage(0, kRecord, 1, 0));
}

TEST(WorkerThread, WaitsOnItsQueueAndAWatchedDescriptorTogether)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    Journal journal;
    ProbeThread* pThread = StartSuspended(journal);
    ASSERT_NE(pThread, nullptr);
    pThread->m_hWatched = pipeFds[0];
    pThread->ResumeThread();
    ASSERT_TRUE(journal.WaitForSize(1));  // idle0: now sleeping in its wait

    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    ASSERT_TRUE(journal.WaitForSize(3));
    PostThreadMessage(pThread->m_nThreadID, kRecord, 3, 0);
    ASSERT_TRUE(journal.WaitForSize(5));
    ASSERT_TRUE(CBaseThread::Stop(pThread));
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"idle0", "fdx", "idle0", "msg3", "idle0"}));
    close(pipeFds[0]);
    close(pipeFds[1]);
}

}  // namespace
