// The download scheduler: start order, the ceiling, repeated requests, cancel and stray
// end reports. Printer threads are stood in for by recording threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "CThrottleThread.h"
#include "RecordingThread.h"
#include "RecordingWnd.h"
#include "messages.h"

namespace {

class ThrottleThreadTest : public testing::Test {
protected:
    static constexpr int kPrinters = 6;

    ThrottleThreadTest()
    {
        m_pScheduler = AfxBeginThread<CThrottleThread>(false);
        for (int i = 0; i < kPrinters; ++i) m_printers.push_back(RecordingThread::Start(&m_log, i));
    }
    ~ThrottleThreadTest() override
    {
        CBaseThread::Stop(m_pScheduler);
        for (RecordingThread* pPrinter : m_printers) CBaseThread::Stop(pPrinter);
    }

    void Request(int printer)
    {
        PostThreadMessage(m_pScheduler->m_nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(m_printers[printer]),
                          m_printers[printer]->m_nThreadID);
    }
    void ReportEnd(WPARAM thread) { PostThreadMessage(m_pScheduler->m_nThreadID, WM_DOWNLOAD_DONE, thread, 0); }
    void ReportEnd(int printer) { ReportEnd(reinterpret_cast<WPARAM>(m_printers[printer])); }

    // The printers told to download so far (tags), after waiting for count starts in all.
    // Printers told at about the same time may log in either order, so tests compare
    // order only between starts that wait for each other.
    std::vector<WPARAM> Started(std::size_t count)
    {
        EXPECT_TRUE(m_log.WaitForCount(WM_DOWNLOAD, count));
        std::vector<WPARAM> started;
        for (const auto& message : m_log.Messages()) {
            if (message.id != WM_DOWNLOAD) continue;
            EXPECT_EQ(message.lParam, reinterpret_cast<LPARAM>(m_pScheduler));
            started.push_back(message.wParam);
        }
        return started;
    }
    // Waits until the scheduler's lists have settled at these sizes.
    bool Settled(std::size_t pending, std::size_t running)
    {
        for (int i = 0; i < 1000; ++i) {
            if (m_pScheduler->PendingCount() == pending && m_pScheduler->RunningCount() == running) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    RecordingWnd m_log;
    CThrottleThread* m_pScheduler = nullptr;
    std::vector<RecordingThread*> m_printers;
};

TEST_F(ThrottleThreadTest, FivePrintersUnderACeilingOfTwoStartInRequestOrder)
{
    m_pScheduler->m_nMaxSimultaneous = 2;
    for (int i = 0; i < 5; ++i) Request(i);
    ASSERT_TRUE(Settled(3, 2));
    EXPECT_THAT(Started(2), testing::UnorderedElementsAre(0u, 1u));

    ReportEnd(1);
    ASSERT_TRUE(Settled(2, 2));
    EXPECT_EQ(Started(3).back(), 2u);
    ReportEnd(0);
    ASSERT_TRUE(Settled(1, 2));
    EXPECT_EQ(Started(4).back(), 3u);
    ReportEnd(2);
    ASSERT_TRUE(Settled(0, 2));
    EXPECT_EQ(Started(5).back(), 4u);
}

TEST_F(ThrottleThreadTest, CeilingOfZeroStartsNothingUntilARequestRaisesIt)
{
    m_pScheduler->m_nMaxSimultaneous = 0;
    for (int i = 0; i < 3; ++i) Request(i);
    ASSERT_TRUE(Settled(3, 0));
    EXPECT_EQ(m_log.Count(WM_DOWNLOAD), 0u);

    m_pScheduler->m_nMaxSimultaneous = 1;
    Request(3);
    ASSERT_TRUE(Settled(3, 1));
    EXPECT_EQ(Started(1), std::vector<WPARAM>{0});
    ReportEnd(0);
    EXPECT_EQ(Started(2).back(), 1u);
    ReportEnd(1);
    EXPECT_EQ(Started(3).back(), 2u);
    ReportEnd(2);
    EXPECT_EQ(Started(4).back(), 3u);
    EXPECT_TRUE(Settled(0, 1));
}

TEST_F(ThrottleThreadTest, SamePrinterTwiceTakesTwoPlacesAndEachEndFreesOne)
{
    m_pScheduler->m_nMaxSimultaneous = 2;
    Request(0);
    Request(0);
    Request(1);
    ASSERT_TRUE(Settled(1, 2));
    EXPECT_EQ(Started(2), (std::vector<WPARAM>{0, 0}));

    ReportEnd(0);
    ASSERT_TRUE(Settled(0, 2));
    EXPECT_EQ(Started(3).back(), 1u);
    ReportEnd(0);
    ReportEnd(1);
    EXPECT_TRUE(Settled(0, 0));
}

TEST_F(ThrottleThreadTest, CancelDropsTheWaitingAndForgetsTheRunning)
{
    m_pScheduler->m_nMaxSimultaneous = 2;
    for (int i = 0; i < 5; ++i) Request(i);
    ASSERT_TRUE(Settled(3, 2));

    m_pScheduler->ClearQueues();
    EXPECT_EQ(m_pScheduler->PendingCount(), 0u);
    EXPECT_EQ(m_pScheduler->RunningCount(), 0u);
    ReportEnd(0);
    ReportEnd(1);
    Request(5);
    Request(5);
    // Both places are free again, and only the request made after the cancel starts.
    ASSERT_TRUE(Settled(0, 2));
    EXPECT_THAT(Started(4), testing::UnorderedElementsAre(0u, 1u, 5u, 5u));
}

TEST_F(ThrottleThreadTest, EndReportsOfThreadsNotRunningAndEmptyRequestsChangeNothing)
{
    m_pScheduler->m_nMaxSimultaneous = 1;
    Request(0);
    Request(1);
    ASSERT_TRUE(Settled(1, 1));

    ReportEnd(2);
    ReportEnd(WPARAM{0});
    PostThreadMessage(m_pScheduler->m_nThreadID, WM_DOWNLOAD, 0, 0);
    Request(3);
    ASSERT_TRUE(Settled(2, 1));
    EXPECT_EQ(Started(1), std::vector<WPARAM>{0});

    ReportEnd(0);
    ASSERT_TRUE(Settled(1, 1));
    EXPECT_EQ(Started(2), (std::vector<WPARAM>{0, 1}));
}

}  // namespace
