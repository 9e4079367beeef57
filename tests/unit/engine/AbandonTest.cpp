// A release that gives up waiting for a stuck download thread: the record, its window and
// everything else the caller frees afterwards must never be touched by that thread, and
// the port must live until the thread is done with it.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "CPrinterThread.h"
#include "CQuarnPrinter.h"
#include "FakePort.h"
#include "RecordingWnd.h"
#include "ScratchFile.h"
#include "ScriptedUserInterface.h"
#include "messages.h"

namespace {

TEST(PrinterAbandonment, RecordFreedWhileItsThreadIsStuckIsNeverTouchedAgain)
{
    ScriptedUserInterface ui;
    const ScratchFile file(ScratchFile::Pattern(10000));
    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> bPortFreed{false};
        auto pWnd = std::make_unique<RecordingWnd>();
        auto pPrinter = std::make_unique<CQuarnPrinter>(pWnd.get());
        auto* pPort = new FakePort(&bPortFreed);
        pPrinter->m_pPort = pPort;
        pPrinter->m_bCalibrate = true;
        pPrinter->m_strDownloadFile = file.Path();
        pPrinter->StartThread();
        pPrinter->m_pThread->SetCalibrateDelay(0);
        const HANDLE hThread = pPrinter->m_pThread->m_hThread;
        pPort->HoldWrites();

        pPrinter->QueueDownload(1);
        // A second download already waiting when the release comes.
        PostThreadMessage(pPrinter->m_pThread->m_nThreadID, WM_DOWNLOAD, 0, 0);
        ASSERT_TRUE(pPort->WaitUntilHeld());
        pPrinter->ReleasePort(20);
        EXPECT_EQ(pPrinter->m_pThread, nullptr);
        EXPECT_EQ(pPrinter->m_pPort, nullptr);
        EXPECT_FALSE(bPortFreed);

        if (round % 2 == 0) {
            pPort->ReleaseWrites();
            pPrinter.reset();
            ASSERT_TRUE(WaitForSingleObject(hThread, 10000));
            EXPECT_EQ(pWnd->Params(WM_DOWNLOAD_BEGIN), std::vector<LPARAM>{10000});
            EXPECT_EQ(pWnd->Messages().size(), 1u) << "nothing posted after the release";
        } else {
            pPrinter.reset();
            pWnd.reset();
            pPort->ReleaseWrites();  // the port outlives its record
            ASSERT_TRUE(WaitForSingleObject(hThread, 10000));
        }
        EXPECT_TRUE(bPortFreed) << "the thread frees the port it was left";
    }
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
