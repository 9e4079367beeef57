// A printer's thread control: starting its thread, queueing through the one scheduler,
// cancelling, and releasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "CPrinterThread.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "FakePort.h"
#include "RecordingWnd.h"
#include "ScratchFile.h"
#include "ScriptedUserInterface.h"
#include "messages.h"

namespace {

class ThreadControlTest : public testing::Test {
protected:
    ThreadControlTest() : m_file(ScratchFile::Pattern(3000)) {}
    ~ThreadControlTest() override
    {
        for (auto& printer : m_printers) printer->ReleasePort();
    }

    // A printer in the list: a fake port, the download file and a running thread.
    CQuarnPrinter& AddPrinter()
    {
        auto& printer = *m_printers.emplace_back(std::make_unique<CQuarnPrinter>(&m_wnd));
        printer.m_pPort = new FakePort;
        printer.m_bCalibrate = false;
        printer.m_strDownloadFile = m_file.Path();
        printer.StartThread();
        return printer;
    }
    static FakePort& PortOf(CQuarnPrinter& printer) { return static_cast<FakePort&>(*printer.m_pPort); }
    static WPARAM Record(CQuarnPrinter& printer)
    {
        return reinterpret_cast<WPARAM>(static_cast<CQuarnPrinterData*>(&printer));
    }
    // Where a message about printer stands in the window's log, or -1.
    int IndexOf(unsigned id, CQuarnPrinter& printer)
    {
        const auto messages = m_wnd.Messages();
        for (std::size_t i = 0; i < messages.size(); ++i)
            if (messages[i].id == id && messages[i].wParam == Record(printer)) return static_cast<int>(i);
        return -1;
    }

    ScriptedUserInterface m_ui;
    RecordingWnd m_wnd;
    ScratchFile m_file;
    std::vector<std::unique_ptr<CQuarnPrinter>> m_printers;
};

TEST_F(ThreadControlTest, StartThreadWithoutAPortRaisesCode7AndMakesNoThread)
{
    CQuarnPrinter printer(&m_wnd);
    try {
        printer.StartThread();
        FAIL() << "no error raised";
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> holder(e);
        EXPECT_EQ(e->m_dwCode, errPortUnavailable);
    }
    EXPECT_EQ(printer.m_pThread, nullptr);
}

TEST_F(ThreadControlTest, DownloadsWaitForAPlaceUnderTheCeiling)
{
    CQuarnPrinter& first = AddPrinter();
    CQuarnPrinter& second = AddPrinter();
    PortOf(first).HoldWrites();
    first.QueueDownload(1);
    second.QueueDownload(1);
    ASSERT_TRUE(PortOf(first).WaitUntilHeld());
    // Room for a wrongly started second download to show itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(PortOf(second).OpenCount(), 0);

    PortOf(first).ReleaseWrites();
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 2));
    EXPECT_LT(IndexOf(WM_DOWNLOAD_END, first), IndexOf(WM_DOWNLOAD_BEGIN, second));
    EXPECT_EQ(PortOf(first).Received(), ScratchFile::Pattern(3000));
    EXPECT_EQ(PortOf(second).Received(), ScratchFile::Pattern(3000));
}

TEST_F(ThreadControlTest, CancelBeforeAnyRequestChangesNothing)
{
    CQuarnPrinter& printer = AddPrinter();
    printer.CancelPrinterDownload();
    printer.QueueDownload(1);

    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_EQ(PortOf(printer).Received(), ScratchFile::Pattern(3000));
}

TEST_F(ThreadControlTest, CancelDropsQueuedDownloadsAndStopsTheRunningOne)
{
    CQuarnPrinter& running = AddPrinter();
    CQuarnPrinter& queued = AddPrinter();
    PortOf(running).HoldWrites();
    running.QueueDownload(1);
    queued.QueueDownload(1);
    ASSERT_TRUE(PortOf(running).WaitUntilHeld());

    running.CancelPrinterDownload();
    queued.CancelPrinterDownload();
    PortOf(running).ReleaseWrites();
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_EQ(PortOf(running).Received().size(), 1024u);

    // Had the queued request survived, it would run before this one.
    CQuarnPrinter& later = AddPrinter();
    later.QueueDownload(1);
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 2));
    EXPECT_EQ(IndexOf(WM_DOWNLOAD_BEGIN, queued), -1);
    EXPECT_EQ(PortOf(later).Received(), ScratchFile::Pattern(3000));
}

TEST_F(ThreadControlTest, CancelAlsoDropsADownloadHandedToTheThreadButNotBegun)
{
    // Two requests of one printer under a ceiling of 2: both are handed to its thread at
    // once, and the second waits there while the first runs.
    CQuarnPrinter& printer = AddPrinter();
    PortOf(printer).HoldWrites();
    printer.QueueDownload(2);
    printer.QueueDownload(2);
    ASSERT_TRUE(PortOf(printer).WaitUntilHeld());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the second hand-over

    printer.CancelPrinterDownload();
    PortOf(printer).ReleaseWrites();
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // room for a wrongly kept download
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_BEGIN), 1u);
    EXPECT_EQ(PortOf(printer).Received().size(), 1024u);
}

TEST_F(ThreadControlTest, CancelRightAfterARequestDropsItEvenBeforeTheSchedulerTookItIn)
{
    CQuarnPrinter& busy = AddPrinter();
    CQuarnPrinter& printer = AddPrinter();
    PortOf(busy).HoldWrites();
    busy.QueueDownload(1);
    ASSERT_TRUE(PortOf(busy).WaitUntilHeld());
    // Still waiting in the scheduler's queue when the cancel comes: the busy printer holds
    // the one place, so nothing but a request surviving the cancel could start it later.
    printer.QueueDownload(1);
    busy.CancelPrinterDownload();
    printer.CancelPrinterDownload();
    PortOf(busy).ReleaseWrites();
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // room for a wrongly kept request
    EXPECT_EQ(IndexOf(WM_DOWNLOAD_BEGIN, printer), -1);
    // The dropped request still ends, so that a front end counting requests is not left waiting.
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_OUTCOME, 2));
    const std::vector<WPARAM> records = m_wnd.OutcomeRecords();
    const auto dropped = std::find(records.begin(), records.end(), Record(printer));
    ASSERT_NE(dropped, records.end());
    EXPECT_EQ(m_wnd.Outcomes()[dropped - records.begin()].result, DownloadResult::cancelled);
}

TEST_F(ThreadControlTest, EveryRequestEndsWithOneOutcomeAlsoWhenACancelDropsIt)
{
    CQuarnPrinter& running = AddPrinter();
    CQuarnPrinter& waiting = AddPrinter();
    CQuarnPrinter& justRequested = AddPrinter();
    running.m_strName = "running";
    waiting.m_strName = "waiting";
    waiting.m_bCalibrate = true;
    PortOf(running).HoldWrites();
    running.QueueDownload(1);
    ASSERT_TRUE(PortOf(running).WaitUntilHeld());
    waiting.QueueDownload(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // taken into the scheduler's queue
    running.QueueDownload(1);
    justRequested.QueueDownload(1);

    running.CancelPrinterDownload();
    PortOf(running).ReleaseWrites();
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_OUTCOME, 4));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // room for a second outcome of any
    ASSERT_EQ(m_wnd.Count(WM_DOWNLOAD_OUTCOME), 4u);
    const std::vector<DownloadOutcome> outcomes = m_wnd.Outcomes();
    const std::vector<WPARAM> records = m_wnd.OutcomeRecords();
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].result, DownloadResult::cancelled) << i;
        if (records[i] == Record(running) && outcomes[i].bytesTaken != 0) EXPECT_EQ(outcomes[i].bytesTaken, 1024u);
        if (records[i] == Record(waiting)) {
            EXPECT_EQ(outcomes[i].printer, "waiting");
            EXPECT_EQ(outcomes[i].bytesTaken, 0u);
            EXPECT_EQ(outcomes[i].fileSize, 3000u);
            EXPECT_EQ(outcomes[i].calibration, CalibrationResult::skipped);
        }
    }
    EXPECT_EQ(std::count(records.begin(), records.end(), Record(running)), 2);
    EXPECT_EQ(std::count(records.begin(), records.end(), Record(waiting)), 1);
    EXPECT_EQ(std::count(records.begin(), records.end(), Record(justRequested)), 1);
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_BEGIN), 1u);
}

TEST_F(ThreadControlTest, PrinterWithoutAThreadEndsItsRequestFailedWithCode7)
{
    CQuarnPrinter printer(&m_wnd);
    printer.m_strDownloadFile = m_file.Path();
    printer.QueueDownload(1);

    ASSERT_EQ(m_wnd.Count(WM_DOWNLOAD_OUTCOME), 1u);
    const DownloadOutcome outcome = m_wnd.Outcomes()[0];
    EXPECT_EQ(outcome.result, DownloadResult::failed);
    EXPECT_EQ(outcome.code, errPortUnavailable);
    EXPECT_EQ(outcome.bytesTaken, 0u);
    printer.ReleasePort();
}

// A user interface whose boxes wait for a click that comes only when the test says so.
class UnansweredUserInterface : public ScriptedUserInterface {
public:
    int MessageBox(const CString& text, unsigned style) override
    {
        std::unique_lock lock(m_mutex);
        m_answered.wait_for(lock, std::chrono::seconds(30), [this] { return m_bAnswer; });
        return ScriptedUserInterface::MessageBox(text, style);
    }
    void AnswerAll()
    {
        std::lock_guard lock(m_mutex);
        m_bAnswer = true;
        m_answered.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_bAnswer = false;
};

TEST_F(ThreadControlTest, FailedPrinterUnderACeilingOf1NeverHoldsTheNextOneForAPerson)
{
    UnansweredUserInterface ui;
    CQuarnPrinter& unreachable = AddPrinter();
    CQuarnPrinter& healthy = AddPrinter();
    PortOf(unreachable).FailOpen(errPortUnavailable);
    unreachable.QueueDownload(1);
    healthy.QueueDownload(1);

    const bool bothEnded = m_wnd.WaitForCount(WM_DOWNLOAD_OUTCOME, 2);
    ui.AnswerAll();
    ASSERT_TRUE(bothEnded) << "a box from the failed download held the only place";
    const std::vector<DownloadOutcome> outcomes = m_wnd.Outcomes();
    EXPECT_EQ(outcomes[0].result, DownloadResult::failed);
    EXPECT_EQ(outcomes[1].result, DownloadResult::ok);
    EXPECT_EQ(PortOf(healthy).Received(), ScratchFile::Pattern(3000));
}

TEST_F(ThreadControlTest, ReleasingAnyPrinterEndsTheSchedulerAndTheNextRequestMakesANewOne)
{
    CQuarnPrinter& printer = AddPrinter();
    CQuarnPrinter& other = AddPrinter();
    printer.QueueDownload(0);  // stays pending
    other.ReleasePort();
    EXPECT_EQ(other.m_pThread, nullptr);
    EXPECT_EQ(other.m_pPort, nullptr);

    // Had the old scheduler survived, both requests would start under this ceiling.
    printer.QueueDownload(5);
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    printer.ReleasePort();  // a second start would be queued already and run before the thread ends
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_BEGIN), 1u);
}

}  // namespace
