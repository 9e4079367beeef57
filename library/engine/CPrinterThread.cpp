#include "CPrinterThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iterator>
#include <new>
#include <thread>

#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "IUserInterface.h"
#include "messages.h"

CPrinterThread::CPrinterThread() : m_pLink(std::make_shared<CPrinterLink>()) {}

const CThreadMessageMap* CPrinterThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_DOWNLOAD, CPrinterThread::OnDownload),
    };
    static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

void CPrinterThread::SetPrinter(CQuarnPrinter* pPrinter) { m_pPrinter = pPrinter; }

void CPrinterThread::SignalCancel()
{
    std::lock_guard lock(m_cancelMutex);
    if (m_bCancelOpen) m_hCancel.SetEvent();
}

std::uint64_t CPrinterThread::ProgressStep(std::uint64_t length)
{
    return std::clamp<std::uint64_t>(length / 20, 1024, 10240);
}

void CPrinterThread::OnDownload(WPARAM wParam, LPARAM lParam)
{
    // Nothing of the record is read once it has let go of this thread: it may be freed.
    if (const auto snapshot = m_pLink->Read(m_pPrinter)) {
        {
            std::lock_guard lock(m_cancelMutex);
            m_hCancel.ResetEvent();
            m_bCancelOpen = true;
        }
        const long result = Transfer(*snapshot);
        PostToWindow(WM_DOWNLOAD_END, result);
        if (result != kDownloadFailed && snapshot->bCalibrate && !IsCancelled()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_nCalibrateDelayMs.load()));
            if (!m_pLink->IsAbandoned()) CQuarnPrinter::CalibratePort(snapshot->pPort);
        }
        std::lock_guard lock(m_cancelMutex);
        m_bCancelOpen = false;
    }
    if (wParam != 0)
        PostThreadMessage(static_cast<std::uint32_t>(lParam), WM_DOWNLOAD_DONE, reinterpret_cast<WPARAM>(this), 0);
}

long CPrinterThread::Transfer(const CPrinterLink::Snapshot& snapshot)
{
    long result = kDownloadFailed;
    try {
        m_pFile = std::make_unique<CFile>();
        m_pFile->OpenForReading(snapshot.strDownloadFile);
        const std::uint64_t length = m_pFile->GetLength();
        PostToWindow(WM_DOWNLOAD_BEGIN, length);
        if (!snapshot.pPort) throw new CQuarnPrinterException(errPortUnavailable);
        snapshot.pPort->Open();
        result = SendFile(*snapshot.pPort, length);
    } catch (CFileException* e) {
        CExceptionHolder<> holder(e);
        e->ReportError();
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> holder(e);
        e->ReportError(MB_OK, 0);
    } catch (const std::bad_alloc&) {
    }
    m_pFile.reset();
    if (snapshot.pPort) snapshot.pPort->Close();
    return result;
}

long CPrinterThread::SendFile(CPortBase& port, std::uint64_t length)
{
    const std::uint64_t step = ProgressStep(length);
    std::uint64_t sent = 0;
    std::uint64_t sinceReport = 0;
    while (sent < length) {
        // Never past the length announced at the start, even if the file has grown since.
        const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkSize, length - sent));
        const std::uint32_t n = m_pFile->Read(m_buffer, wanted);
        // A file cut short under us would otherwise spin here forever sending nothing.
        if (n == 0) throw new CFileException(ENODATA, m_pFile->GetFilePath());
        std::uint32_t written = 0;
        port.Write(m_buffer, n, &written);
        if (written < n) {
            // The unsent tail is read again as the start of the next chunk.
            m_pFile->SeekFromCurrent(-static_cast<std::int64_t>(n - written));
            std::this_thread::sleep_for(std::chrono::milliseconds(kShortWriteRetryMs));
        }
        sent += written;
        sinceReport += written;
        if (sinceReport > step) {
            sinceReport = 0;
            PostToWindow(WM_DOWNLOAD_PROGRESS, sent);
        }
        if (IsCancelled()) return kDownloadDone;
    }
    // The last bytes may still be on their way; the download has succeeded only once the
    // printer has taken them all.
    return port.Flush() == CPortBase::Delivery::Confirmed ? kDownloadDone : kDownloadNotConfirmed;
}

bool CPrinterThread::IsCancelled() const { return m_hCancel.Wait(0); }

void CPrinterThread::PostToWindow(unsigned message, LPARAM lParam) const
{
    const auto* pRecord = static_cast<const CQuarnPrinterData*>(m_pPrinter);
    m_pLink->PostToWindow(m_pMainWnd, message, reinterpret_cast<WPARAM>(pRecord), lParam);
}
