#include "CPrinterThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <new>
#include <sys/eventfd.h>
#include <unistd.h>

#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "Sha256.h"
#include "StringTable.h"
#include "messages.h"

namespace {

// The error's text and detail, as its box would have shown them.
void RecordError(CException* e, DownloadOutcome& outcome)
{
    if (auto* printerError = dynamic_cast<CQuarnPrinterException*>(e)) {
        outcome.code = printerError->m_dwCode;
        outcome.text = printerError->Text();
        outcome.detail = printerError->Detail();
        return;
    }
    if (!e->GetErrorMessage(outcome.text)) outcome.text = kNoErrorMessageText;
}

}  // namespace

CPrinterThread::CPrinterThread() : m_pLink(std::make_shared<CPrinterLink>()) {}

const CThreadMessageMap* CPrinterThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_DOWNLOAD, CPrinterThread::OnDownload),
        ON_THREAD_MESSAGE(WM_DOWNLOAD_DROPPED, CPrinterThread::OnDownloadDropped),
    };
    static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

void CPrinterThread::SetPrinter(CQuarnPrinter* pPrinter) { m_pPrinter = pPrinter; }

void CPrinterThread::SignalCancel()
{
    std::lock_guard lock(m_cancelMutex);
    if (!m_bCancelOpen) return;
    m_hCancel.SetEvent();
    if (m_hCancelFd != -1) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_hCancelFd, &one, sizeof one);
    }
}

std::uint64_t CPrinterThread::ProgressStep(std::uint64_t length)
{
    return std::clamp<std::uint64_t>(length / 20, 1024, 10240);
}

void CPrinterThread::OnDownload(WPARAM wParam, LPARAM lParam)
{
    // Nothing of the record is read once it has let go of this thread: it may be freed.
    if (const auto snapshot = m_pLink->Read(m_pPrinter)) {
        std::unique_ptr<DownloadOutcome> outcome = snapshot->StartOutcome();
        {
            std::lock_guard lock(m_cancelMutex);
            m_hCancel.ResetEvent();
            m_hCancelFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            m_bCancelOpen = true;
        }
        PostToWindow(WM_DOWNLOAD_END, Transfer(*snapshot, *outcome));
        CalibrateAfter(*snapshot, *outcome);
        {
            std::lock_guard lock(m_cancelMutex);
            m_bCancelOpen = false;
            if (m_hCancelFd != -1) ::close(m_hCancelFd);
            m_hCancelFd = -1;
        }
        outcome->ended = DownloadOutcome::Clock::now();
        PostOutcome(std::move(outcome));
    }
    if (wParam != 0)
        PostThreadMessage(static_cast<std::uint32_t>(lParam), WM_DOWNLOAD_DONE, reinterpret_cast<WPARAM>(this), 0);
}

void CPrinterThread::OnDownloadDropped(WPARAM, LPARAM)
{
    if (const auto snapshot = m_pLink->Read(m_pPrinter)) {
        std::unique_ptr<DownloadOutcome> outcome = snapshot->StartOutcome();
        outcome->result = DownloadResult::cancelled;
        std::error_code error;
        const auto size = std::filesystem::file_size(snapshot->strDownloadFile, error);
        if (!error) outcome->fileSize = size;
        if (snapshot->bCalibrate) outcome->calibration = CalibrationResult::skipped;
        PostOutcome(std::move(outcome));
    }
}

long CPrinterThread::Transfer(const CPrinterLink::Snapshot& snapshot, DownloadOutcome& outcome)
{
    long result = kDownloadFailed;
    Ending ending = Ending::Cancelled;
    m_nSent = 0;
    try {
        m_pFile = std::make_unique<CFile>();
        m_pFile->OpenForReading(snapshot.strDownloadFile);
        const std::uint64_t length = m_pFile->GetLength();
        outcome.fileSize = length;
        PostToWindow(WM_DOWNLOAD_BEGIN, length);
        if (!snapshot.pPort) throw new CQuarnPrinterException(errPortUnavailable);
        snapshot.pPort->SetCancelSignal(m_hCancelFd);
        snapshot.pPort->SetStallTimeout(std::chrono::milliseconds(m_nStallTimeoutMs.load()));
        snapshot.pPort->Open();
        Sha256 hash;
        ending = SendFile(*snapshot.pPort, length, hash);
        // Hashed as the bytes went out, so it names exactly what the printer was sent.
        if (m_nSent == length) outcome.sha256 = hash.FinalHex();
        result = ending == Ending::Unconfirmed ? kDownloadNotConfirmed : kDownloadDone;
    } catch (CException* e) {
        CExceptionHolder<> holder(e);
        RecordError(e, outcome);
    } catch (const std::bad_alloc&) {
        outcome.text = "There was not enough memory to send the file.";
    }
    m_pFile.reset();
    outcome.bytesTaken = snapshot.pPort ? snapshot.pPort->BytesTaken(m_nSent) : m_nSent;
    if (snapshot.pPort) {
        snapshot.pPort->Close();
        snapshot.pPort->SetCancelSignal(-1);
    }
    if (result == kDownloadFailed && !IsCancelled()) {
        outcome.result = DownloadResult::failed;
    } else if (result == kDownloadFailed || ending == Ending::Cancelled) {
        // Whatever the cancel interrupted says nothing about the printer.
        outcome.result = DownloadResult::cancelled;
        outcome.code = 0;
        outcome.text.clear();
        outcome.detail.clear();
    } else {
        outcome.result = DownloadResult::ok;
        outcome.confirmed = ending == Ending::Delivered;
    }
    return result;
}

CPrinterThread::Ending CPrinterThread::SendFile(CPortBase& port, std::uint64_t length, Sha256& hash)
{
    const std::uint64_t step = ProgressStep(length);
    const std::chrono::milliseconds stallLimit(m_nStallTimeoutMs.load());
    std::uint64_t sinceReport = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (m_nSent < length) {
        // Never past the length announced at the start, even if the file has grown since.
        const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(kChunkSize, length - m_nSent));
        const std::uint32_t n = m_pFile->Read(m_buffer, wanted);
        // A file cut short under us would otherwise spin here forever sending nothing.
        if (n == 0) throw new CFileException(ENODATA, m_pFile->GetFilePath());
        std::uint32_t written = 0;
        port.Write(m_buffer, n, &written);
        hash.Update(m_buffer, written);
        const auto now = std::chrono::steady_clock::now();
        if (written > 0) lastProgress = now;
        if (written < n) {
            // The unsent tail is read again as the start of the next chunk.
            m_pFile->SeekFromCurrent(-static_cast<std::int64_t>(n - written));
            if (now - lastProgress >= stallLimit)
                throw new CQuarnPrinterException(
                    errTimeout, FormatString("The printer stopped taking data: it had taken %llu of %llu bytes.",
                                             static_cast<unsigned long long>(m_nSent + written),
                                             static_cast<unsigned long long>(length)));
            port.WaitUntilWritable(lastProgress + stallLimit);
        }
        m_nSent += written;
        sinceReport += written;
        if (sinceReport > step) {
            sinceReport = 0;
            PostToWindow(WM_DOWNLOAD_PROGRESS, m_nSent);
        }
        if (IsCancelled()) return Ending::Cancelled;
    }
    // The last bytes may still be on their way; the download has succeeded only once the
    // printer has taken them all.
    const CPortBase::Delivery delivery = port.Flush();
    // A printer that confirmed has the whole file, even if a cancel came while it did.
    if (delivery == CPortBase::Delivery::Confirmed) return Ending::Delivered;
    return IsCancelled() ? Ending::Cancelled : Ending::Unconfirmed;
}

void CPrinterThread::CalibrateAfter(const CPrinterLink::Snapshot& snapshot, DownloadOutcome& outcome)
{
    if (!snapshot.bCalibrate) return;
    outcome.calibration = CalibrationResult::skipped;
    if (outcome.result != DownloadResult::ok) return;
    if (m_hCancel.Wait(m_nCalibrateDelayMs.load()) || m_pLink->IsAbandoned()) return;
    try {
        CQuarnPrinter::SendCalibration(snapshot.pPort);
        outcome.calibration = CalibrationResult::done;
    } catch (CException* e) {
        CExceptionHolder<> holder(e);
        DownloadOutcome error;
        RecordError(e, error);
        outcome.calibration = CalibrationResult::failed;
        outcome.calibrationMessage = OutcomeMessage(error);
    }
}

bool CPrinterThread::IsCancelled() const { return m_hCancel.Wait(0); }

bool CPrinterThread::PostToWindow(unsigned message, LPARAM lParam) const
{
    const auto* pRecord = static_cast<const CQuarnPrinterData*>(m_pPrinter);
    return m_pLink->PostToWindow(m_pMainWnd, message, reinterpret_cast<WPARAM>(pRecord), lParam);
}

void CPrinterThread::PostOutcome(std::unique_ptr<DownloadOutcome> outcome) const
{
    // The window takes the outcome over once it is posted.
    if (PostToWindow(WM_DOWNLOAD_OUTCOME, reinterpret_cast<LPARAM>(outcome.get()))) outcome.release();
}
