// The printer download thread: bytes on the port, the begin/progress/end reports, the
// outcome of each download (errors travel in it, never in a box), cancel and calibration.
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "CPrinterThread.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "FakePort.h"
#include "RecordingThread.h"
#include "RecordingWnd.h"
#include "ScratchFile.h"
#include "Sha256.h"
#include "ScriptedUserInterface.h"
#include "TemporaryFolder.h"
#include "messages.h"

namespace {

const CString kCalibration = "\x0A" "xa" "\x0A";

class PrinterThreadTest : public testing::Test {
protected:
    PrinterThreadTest()
    {
        m_pPort = new FakePort;
        m_printer.m_pPort = m_pPort;
        m_printer.m_bCalibrate = false;
        m_printer.StartThread();
        m_printer.m_pThread->SetCalibrateDelay(0);
        m_pScheduler = RecordingThread::Start(&m_schedulerLog, 0);
    }
    ~PrinterThreadTest() override
    {
        m_printer.ReleasePort();
        CBaseThread::Stop(m_pScheduler);
    }

    // Runs one download of bytes as the scheduler would start it and waits for its end report.
    void Download(const std::string& bytes)
    {
        const ScratchFile file(bytes);
        DownloadPath(file.Path());
    }
    void DownloadPath(const std::string& path)
    {
        m_printer.m_strDownloadFile = path;
        const std::size_t done = m_schedulerLog.Count(WM_DOWNLOAD_DONE);
        PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(m_pScheduler),
                          m_pScheduler->m_nThreadID);
        ASSERT_TRUE(m_schedulerLog.WaitForCount(WM_DOWNLOAD_DONE, done + 1));
    }

    WPARAM Record() const { return reinterpret_cast<WPARAM>(static_cast<const CQuarnPrinterData*>(&m_printer)); }
    // The outcome of the only download so far.
    DownloadOutcome OnlyOutcome() const
    {
        const std::vector<DownloadOutcome> outcomes = m_wnd.Outcomes();
        EXPECT_EQ(outcomes.size(), 1u);
        return outcomes.empty() ? DownloadOutcome{} : outcomes.back();
    }

    ScriptedUserInterface m_ui;
    RecordingWnd m_wnd;
    RecordingWnd m_schedulerLog;
    RecordingThread* m_pScheduler = nullptr;
    CQuarnPrinter m_printer{&m_wnd};
    FakePort* m_pPort = nullptr;  // owned by m_printer
};

TEST(PrinterThreadStep, IsATwentiethOfTheFileHeldBetween1024And10240)
{
    EXPECT_EQ(CPrinterThread::ProgressStep(0), 1024u);
    EXPECT_EQ(CPrinterThread::ProgressStep(20479), 1024u);
    EXPECT_EQ(CPrinterThread::ProgressStep(20500), 1025u);
    EXPECT_EQ(CPrinterThread::ProgressStep(100000), 5000u);
    EXPECT_EQ(CPrinterThread::ProgressStep(204800), 10240u);
    EXPECT_EQ(CPrinterThread::ProgressStep(5000000000ULL), 10240u);
}

TEST_F(PrinterThreadTest, EmptyFileOpensAndClosesThePortReportsSuccessAndCalibrates)
{
    m_printer.m_bCalibrate = true;
    Download("");

    const std::vector<RecordingWnd::Message> expected = {{WM_DOWNLOAD_BEGIN, Record(), 0},
                                                         {WM_DOWNLOAD_END, Record(), 1}};
    EXPECT_EQ(m_wnd.Messages(), expected);
    EXPECT_EQ(m_pPort->Received(), kCalibration);
    EXPECT_EQ(m_pPort->OpenCount(), 2);  // the download, then the calibration
    EXPECT_FALSE(m_pPort->IsOpenNow());
    EXPECT_EQ(m_schedulerLog.Params(WM_DOWNLOAD_DONE),
              std::vector<LPARAM>{reinterpret_cast<LPARAM>(m_printer.m_pThread)});
}

TEST_F(PrinterThreadTest, FilesOfOneChunkOrLessGoOutWholeWithoutProgress)
{
    std::size_t expectedBytes = 0;
    for (const std::size_t length : {1u, 1000u, 1024u}) {
        const std::string bytes = ScratchFile::Pattern(length);
        Download(bytes);
        expectedBytes += length;
        EXPECT_EQ(m_pPort->Received().size(), expectedBytes);
        EXPECT_EQ(m_pPort->Received().substr(expectedBytes - length), bytes);
    }
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_PROGRESS), 0u);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_BEGIN), (std::vector<LPARAM>{1, 1000, 1024}));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), (std::vector<LPARAM>{1, 1, 1}));
    EXPECT_TRUE(m_ui.Messages().empty());
}

TEST_F(PrinterThreadTest, ProgressOf100000BytesComesEveryFifthChunk)
{
    const std::string bytes = ScratchFile::Pattern(100000);
    Download(bytes);

    std::vector<LPARAM> expected;
    for (LPARAM sent = 5120; sent < 100000; sent += 5120) expected.push_back(sent);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_PROGRESS), expected);
    EXPECT_EQ(m_pPort->Received(), bytes);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
}

TEST_F(PrinterThreadTest, ProgressOfAMegabyteComesEveryEleventhChunk)
{
    const std::string bytes = ScratchFile::Pattern(1000000);
    Download(bytes);

    std::vector<LPARAM> expected;
    for (LPARAM sent = 11 * 1024; sent < 1000000; sent += 11 * 1024) expected.push_back(sent);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_PROGRESS), expected);
    EXPECT_EQ(m_pPort->Received(), bytes);
}

TEST_F(PrinterThreadTest, PortTakingPartOfEachChunkStillGetsEveryByteOnce)
{
    m_pPort->AcceptAtMost(600);
    const std::string bytes = ScratchFile::Pattern(5000);
    Download(bytes);

    EXPECT_EQ(m_pPort->Received(), bytes);
    // Counts follow the bytes written: 600, 1200, 1800 is the first count past 1024.
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_PROGRESS), (std::vector<LPARAM>{1200, 2400, 3600, 4800}));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
}

TEST_F(PrinterThreadTest, PortWriteErrorEndsTheDownloadWithItsErrorInTheOutcomeAndNoCalibration)
{
    m_printer.m_bCalibrate = true;
    m_pPort->FailAfter(3000, errTimeout);
    Download(ScratchFile::Pattern(10000));

    EXPECT_EQ(m_pPort->Received().size(), 2048u);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    EXPECT_TRUE(m_ui.Texts().empty()) << "the download thread showed a box";
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::failed);
    EXPECT_EQ(outcome.code, errTimeout);
    EXPECT_EQ(OutcomeMessage(outcome), CQuarnPrinterException(errTimeout).Message());
    EXPECT_EQ(outcome.bytesTaken, 2048u);
    EXPECT_EQ(outcome.fileSize, 10000u);
    EXPECT_FALSE(outcome.sha256) << "only part of the file went out";
    EXPECT_FALSE(outcome.confirmed);
    EXPECT_EQ(outcome.calibration, CalibrationResult::skipped);
    EXPECT_FALSE(m_pPort->IsOpenNow());
    EXPECT_EQ(m_pPort->OpenCount(), 1);
}

TEST_F(PrinterThreadTest, OutcomeOfADeliveredFileNamesThePrinterTheBytesTheirHashAndTheCalibration)
{
    m_printer.m_bCalibrate = true;
    m_printer.m_strName = "Line3";
    m_printer.m_strModel = "QL-300";
    m_pPort->AcceptAtMost(600);  // the hash must follow what went out, not what was read
    const std::string bytes = ScratchFile::Pattern(5000);
    const auto before = DownloadOutcome::Clock::now();
    Download(bytes);

    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::ok);
    EXPECT_TRUE(outcome.confirmed);
    EXPECT_EQ(outcome.printer, "Line3");
    EXPECT_EQ(outcome.model, "QL-300");
    EXPECT_EQ(outcome.fileSize, 5000u);
    EXPECT_EQ(outcome.bytesTaken, 5000u);
    EXPECT_EQ(outcome.sha256, Sha256::Of(bytes));
    EXPECT_EQ(outcome.code, 0u);
    EXPECT_EQ(outcome.text, "");
    EXPECT_EQ(outcome.calibration, CalibrationResult::done);
    EXPECT_LE(before, outcome.started);
    EXPECT_LE(outcome.started, outcome.ended);
    EXPECT_EQ(m_wnd.OutcomeRecords(), std::vector<WPARAM>{Record()});
}

TEST_F(PrinterThreadTest, OutcomeOfAnEmptyFileIsOkWithTheHashOfNothing)
{
    Download("");
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::ok);
    EXPECT_EQ(outcome.sha256, Sha256::Of(""));
    EXPECT_EQ(outcome.calibration, CalibrationResult::none);
}

TEST_F(PrinterThreadTest, CalibrationErrorGoesIntoTheOutcomeWithoutABox)
{
    m_printer.m_bCalibrate = true;
    m_pPort->FailOpenAfter(1, errPortUnavailable);
    Download(ScratchFile::Pattern(100));

    EXPECT_TRUE(m_ui.Texts().empty());
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::ok);
    EXPECT_EQ(outcome.calibration, CalibrationResult::failed);
    EXPECT_EQ(outcome.calibrationMessage, CQuarnPrinterException(errPortUnavailable).Message());
}

TEST_F(PrinterThreadTest, BytesThatNeverReachThePrinterMakeTheDownloadFail)
{
    m_printer.m_bCalibrate = true;
    m_pPort->FailFlush(kPlatformErrorBase + ECONNRESET);
    Download(ScratchFile::Pattern(5000));

    EXPECT_EQ(m_pPort->FlushCount(), 1);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::failed);
    EXPECT_EQ(OutcomeMessage(outcome), CQuarnPrinterException(kPlatformErrorBase + ECONNRESET).Message());
    EXPECT_EQ(outcome.bytesTaken, 5000u);
    EXPECT_FALSE(outcome.confirmed);
    EXPECT_EQ(m_pPort->OpenCount(), 1);  // no calibration after a failed delivery
}

TEST_F(PrinterThreadTest, DeliveryThePrinterNeverConfirmedEndsApartAndStillCalibrates)
{
    m_printer.m_bCalibrate = true;
    m_pPort->LeaveUnconfirmed();
    const std::string bytes = ScratchFile::Pattern(3000);
    Download(bytes);

    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{kDownloadNotConfirmed});
    EXPECT_EQ(m_pPort->Received(), bytes + kCalibration);
    EXPECT_TRUE(m_ui.Messages().empty());
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::ok);
    EXPECT_FALSE(outcome.confirmed);
    EXPECT_EQ(outcome.calibration, CalibrationResult::done);
}

TEST_F(PrinterThreadTest, PortThatCannotOpenIsReportedAfterTheBegin)
{
    m_pPort->FailOpen(errPortUnavailable);
    Download(ScratchFile::Pattern(100));

    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_BEGIN), std::vector<LPARAM>{100});
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.code, errPortUnavailable);
    EXPECT_EQ(outcome.text, CQuarnPrinterException(errPortUnavailable).Message());
    EXPECT_EQ(outcome.bytesTaken, 0u);
}

TEST_F(PrinterThreadTest, MissingFileIsReportedByNameWithoutBeginAndTheSchedulerStillHearsTheEnd)
{
    const std::string path = "/nonexistent-quarn-folder/firmware.qpl";
    DownloadPath(path);

    EXPECT_EQ(m_wnd.Messages(), (std::vector<RecordingWnd::Message>{{WM_DOWNLOAD_END, Record(), 0}}));
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::failed);
    EXPECT_NE(outcome.text.find(path), CString::npos);
    EXPECT_EQ(m_pPort->OpenCount(), 0);
    EXPECT_EQ(m_schedulerLog.Count(WM_DOWNLOAD_DONE), 1u);
}

// None of these may block the thread, send endless bytes, or be taken for a file.
TEST_F(PrinterThreadTest, AnythingButARegularFileEndsTheDownloadNamingThePathAndSendsNothing)
{
    const TemporaryFolder folder;
    const std::string fifo = (folder.Path() / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string linkToFolder = (folder.Path() / "link").string();
    ASSERT_EQ(symlink(folder.Path().c_str(), linkToFolder.c_str()), 0);
    const std::vector<std::string> paths = {fifo, "/dev/zero", folder.Path().string(), linkToFolder};
    for (const std::string& path : paths) DownloadPath(path);
    const std::vector<DownloadOutcome> outcomes = m_wnd.Outcomes();
    ASSERT_EQ(outcomes.size(), paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        EXPECT_NE(outcomes[i].text.find(paths[i]), CString::npos) << outcomes[i].text;
        EXPECT_NE(outcomes[i].text.find("not a regular file"), CString::npos) << outcomes[i].text;
    }
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>(4, kDownloadFailed));
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_BEGIN), 0u);
    EXPECT_EQ(m_pPort->OpenCount(), 0);
}

TEST_F(PrinterThreadTest, FileCutShortDuringTheDownloadEndsItWithAFileError)
{
    m_pPort->HoldWrites();
    const ScratchFile file(ScratchFile::Pattern(5000));
    m_printer.m_strDownloadFile = file.Path();
    PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(m_pScheduler),
                      m_pScheduler->m_nThreadID);
    ASSERT_TRUE(m_pPort->WaitUntilHeld());
    ASSERT_EQ(truncate(file.Path().c_str(), 1024), 0);
    m_pPort->ReleaseWrites();

    ASSERT_TRUE(m_schedulerLog.WaitForCount(WM_DOWNLOAD_DONE, 1));
    EXPECT_EQ(m_pPort->Received(), ScratchFile::Pattern(1024));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_NE(outcome.text.find(file.Path()), CString::npos);
    EXPECT_EQ(outcome.bytesTaken, 1024u);
}

TEST_F(PrinterThreadTest, CancelStopsAfterTheChunkInFlightKeepsSuccessAndSkipsCalibration)
{
    m_printer.m_bCalibrate = true;
    m_pPort->HoldWrites();
    const ScratchFile file(ScratchFile::Pattern(100000));
    m_printer.m_strDownloadFile = file.Path();
    PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(m_pScheduler),
                      m_pScheduler->m_nThreadID);
    ASSERT_TRUE(m_pPort->WaitUntilHeld());
    m_printer.CancelPrinterDownload();
    m_pPort->ReleaseWrites();

    ASSERT_TRUE(m_schedulerLog.WaitForCount(WM_DOWNLOAD_DONE, 1));
    EXPECT_EQ(m_pPort->Received(), ScratchFile::Pattern(1024));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_EQ(m_pPort->OpenCount(), 1);
    EXPECT_EQ(m_pPort->FlushCount(), 0);  // a cancelled download waits for nothing
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::cancelled);
    EXPECT_EQ(outcome.bytesTaken, 1024u);
    EXPECT_EQ(outcome.fileSize, 100000u);
    EXPECT_FALSE(outcome.sha256);
    EXPECT_EQ(outcome.calibration, CalibrationResult::skipped);
}

TEST_F(PrinterThreadTest, CancelDuringTheCalibrationPauseSkipsItAndTheFileStaysDelivered)
{
    m_printer.m_bCalibrate = true;
    m_printer.m_pThread->SetCalibrateDelay(60000);
    const ScratchFile file(ScratchFile::Pattern(3000));
    m_printer.m_strDownloadFile = file.Path();
    PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, reinterpret_cast<WPARAM>(m_pScheduler),
                      m_pScheduler->m_nThreadID);
    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, 1));
    m_printer.CancelPrinterDownload();

    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_OUTCOME, 1)) << "the pause ran on after the cancel";
    const DownloadOutcome outcome = OnlyOutcome();
    EXPECT_EQ(outcome.result, DownloadResult::ok);
    EXPECT_EQ(outcome.calibration, CalibrationResult::skipped);
    EXPECT_EQ(m_pPort->Received(), ScratchFile::Pattern(3000));
}

TEST_F(PrinterThreadTest, DownloadHandedOverButNotBegunWhenCancelledEndsCancelledWithNothingSent)
{
    m_pPort->HoldWrites();
    const ScratchFile file(ScratchFile::Pattern(5000));
    m_printer.m_strDownloadFile = file.Path();
    for (int i = 0; i < 2; ++i)
        PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, 0, 0);
    ASSERT_TRUE(m_pPort->WaitUntilHeld());
    m_printer.CancelPrinterDownload();
    m_pPort->ReleaseWrites();

    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_OUTCOME, 2));
    const std::vector<DownloadOutcome> outcomes = m_wnd.Outcomes();
    EXPECT_EQ(outcomes[0].result, DownloadResult::cancelled);
    EXPECT_EQ(outcomes[1].result, DownloadResult::cancelled);
    EXPECT_EQ(outcomes[1].bytesTaken, 0u);
    EXPECT_EQ(outcomes[1].fileSize, 5000u);
    EXPECT_EQ(m_wnd.Count(WM_DOWNLOAD_BEGIN), 1u);
    EXPECT_EQ(m_pPort->Received().size(), 1024u);
}

TEST_F(PrinterThreadTest, CancelBetweenDownloadsChangesNothing)
{
    m_printer.m_pThread->SignalCancel();
    const std::string bytes = ScratchFile::Pattern(5000);
    Download(bytes);
    m_printer.m_pThread->SignalCancel();
    Download(bytes);

    EXPECT_EQ(m_pPort->Received(), bytes + bytes);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), (std::vector<LPARAM>{1, 1}));
}

TEST_F(PrinterThreadTest, QueuedDownloadRunsBeforeTheQuit)
{
    const std::string bytes = ScratchFile::Pattern(3000);
    const ScratchFile file(bytes);
    m_printer.m_strDownloadFile = file.Path();
    PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, 0, 0);
    m_printer.ReleasePort();

    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_EQ(m_schedulerLog.Count(WM_DOWNLOAD_DONE), 0u) << "wParam 0 tells no scheduler";
}

TEST_F(PrinterThreadTest, CancelRacingWithTheEndOfDownloadsIsHarmless)
{
    const ScratchFile file(ScratchFile::Pattern(2048));
    m_printer.m_strDownloadFile = file.Path();
    constexpr int kDownloads = 50;
    for (int i = 0; i < kDownloads; ++i) PostThreadMessage(m_printer.m_pThread->m_nThreadID, WM_DOWNLOAD, 0, 0);
    for (int i = 0; i < 100000 && m_wnd.Count(WM_DOWNLOAD_END) < kDownloads; ++i) m_printer.m_pThread->SignalCancel();

    ASSERT_TRUE(m_wnd.WaitForCount(WM_DOWNLOAD_END, kDownloads));
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>(kDownloads, 1));
}

}  // namespace
