// The link between a printer and its download thread, and the library's one scheduler.
#include <memory>

#include "CBaseThread.h"
#include "CPortBase.h"
#include "CPrinterLink.h"
#include "CPrinterThread.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CThrottleThread.h"
#include "messages.h"

namespace {
// Read and written only on the caller's thread; the scheduler never ends on its own, so
// the object is alive for as long as this points to it.
CThrottleThread* g_pScheduler = nullptr;
}  // namespace

void CQuarnPrinter::StartThread()
{
    if (!m_pPort) throw new CQuarnPrinterException(errPortUnavailable);
    auto* pThread = AfxBeginThread<CPrinterThread>(true);
    if (!pThread) throw new CQuarnPrinterException(errThreadCreate);
    pThread->m_pMainWnd = m_pNotifyWnd;
    pThread->SetPrinter(this);
    m_pThread = pThread;
    m_pThreadLink = pThread->Link();
    pThread->ResumeThread();
}

void CQuarnPrinter::ReleasePort(unsigned waitMs)
{
    if (g_pScheduler) {
        CBaseThread::Stop(g_pScheduler, waitMs);
        g_pScheduler = nullptr;
    }
    bool bThreadEnded = true;
    if (m_pThread) {
        m_pThread->SignalCancel();
        bThreadEnded = CBaseThread::Stop(m_pThread, waitMs);
        m_pThread = nullptr;
    }
    std::unique_ptr<CPortBase> pPort(m_pPort);
    if (!bThreadEnded) {
        // The thread may still be writing to the port: it keeps the port until it ends,
        // and from here on touches nothing of this record.
        m_pThreadLink->Abandon(std::move(pPort));
    } else if (pPort) {
        pPort->Close();
    }
    m_pPort = nullptr;
    m_pThreadLink.reset();
}

void CQuarnPrinter::QueueDownload(int maxDownloads)
{
    if (!g_pScheduler) {
        g_pScheduler = AfxBeginThread<CThrottleThread>(false);
        if (!g_pScheduler) throw new CQuarnPrinterException(errThreadCreate);
    }
    g_pScheduler->m_nMaxSimultaneous = maxDownloads;
    if (!m_pThread) {
        // A printer whose thread could not start (it has no port) can never download; it
        // still ends with an outcome, so that a front end counting requests is not left waiting.
        std::unique_ptr<DownloadOutcome> outcome = CPrinterLink::Snapshot::Of(*this).StartOutcome();
        outcome->code = errPortUnavailable;
        outcome->text = CQuarnPrinterException(errPortUnavailable).Text();
        if (m_bCalibrate) outcome->calibration = CalibrationResult::skipped;
        if (m_pNotifyWnd) {
            m_pNotifyWnd->PostMessage(WM_DOWNLOAD_OUTCOME, reinterpret_cast<WPARAM>(static_cast<CQuarnPrinterData*>(this)),
                                      reinterpret_cast<LPARAM>(outcome.release()));
        }
        return;
    }
    // The thread id travels with the pointer so the scheduler never has to read a
    // thread object that may have ended.
    g_pScheduler->RequestDownload(reinterpret_cast<WPARAM>(m_pThread), m_pThread->m_nThreadID);
}

void CQuarnPrinter::CancelPrinterDownload()
{
    if (g_pScheduler) g_pScheduler->ClearQueues();
    if (!m_pThread) return;
    m_pThread->SignalCancel();
    // A download the scheduler has already handed over but the thread has not begun (it may
    // still be busy with an earlier one) would otherwise run in full after the cancel; it
    // ends as cancelled instead.
    ReplaceThreadMessages(m_pThread->m_nThreadID, WM_DOWNLOAD, WM_DOWNLOAD_DROPPED);
}
