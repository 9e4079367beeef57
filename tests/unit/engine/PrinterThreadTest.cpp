// The printer download thread: bytes on the port, the begin/progress/end reports, errors,
// cancel and calibration.
#include <gtest/gtest.h>

#include <cerrno>
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
#include "ScriptedUserInterface.h"
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

TEST_F(PrinterThreadTest, PortWriteErrorEndsTheDownloadWithItsBoxAndNoCalibration)
{
    m_printer.m_bCalibrate = true;
    m_pPort->FailAfter(3000, errTimeout);
    Download(ScratchFile::Pattern(10000));

    EXPECT_EQ(m_pPort->Received().size(), 2048u);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    ASSERT_EQ(m_ui.Texts(), std::vector<CString>{CQuarnPrinterException(errTimeout).Message()});
    EXPECT_FALSE(m_pPort->IsOpenNow());
    EXPECT_EQ(m_pPort->OpenCount(), 1);
}

TEST_F(PrinterThreadTest, BytesThatNeverReachThePrinterMakeTheDownloadFail)
{
    m_printer.m_bCalibrate = true;
    m_pPort->FailFlush(kPlatformErrorBase + ECONNRESET);
    Download(ScratchFile::Pattern(5000));

    EXPECT_EQ(m_pPort->FlushCount(), 1);
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{CQuarnPrinterException(kPlatformErrorBase + ECONNRESET).Message()});
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
}

TEST_F(PrinterThreadTest, PortThatCannotOpenIsReportedAfterTheBegin)
{
    m_pPort->FailOpen(errPortUnavailable);
    Download(ScratchFile::Pattern(100));

    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_BEGIN), std::vector<LPARAM>{100});
    EXPECT_EQ(m_wnd.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{0});
    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{CQuarnPrinterException(errPortUnavailable).Message()});
}

TEST_F(PrinterThreadTest, MissingFileIsReportedByNameWithoutBeginAndTheSchedulerStillHearsTheEnd)
{
    const std::string path = "/nonexistent-quarn-folder/firmware.qpl";
    DownloadPath(path);

    EXPECT_EQ(m_wnd.Messages(), (std::vector<RecordingWnd::Message>{{WM_DOWNLOAD_END, Record(), 0}}));
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_NE(m_ui.Texts()[0].find(path), CString::npos);
    EXPECT_EQ(m_pPort->OpenCount(), 0);
    EXPECT_EQ(m_schedulerLog.Count(WM_DOWNLOAD_DONE), 1u);
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
    ASSERT_EQ(m_ui.Texts().size(), 1u);
    EXPECT_NE(m_ui.Texts()[0].find(file.Path()), CString::npos);
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
