// A printer's own download thread: on each WM_DOWNLOAD it sends the printer's file over
// the printer's port in 1024-byte chunks, reports begin, progress, end and the outcome to
// the notify window, and tells the scheduler when its place is free. It never waits for a
// person: errors travel in the outcome.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "CBaseThread.h"
#include "CEvent.h"
#include "CFile.h"
#include "CPrinterLink.h"
#include "DownloadOutcome.h"

class CPortBase;
class CQuarnPrinter;
class Sha256;

class CPrinterThread : public CBaseThread {
public:
    static constexpr std::uint32_t kChunkSize = 1024;
    static constexpr unsigned kCalibrateDelayMs = 5000;
    // A printer that takes no byte for this long has stopped; flash writes pause for less.
    static constexpr unsigned kDefaultStallTimeoutMs = 120000;

    CPrinterThread();
    const CThreadMessageMap* GetMessageMap() const override;

    // Set once, before the thread is resumed.
    void SetPrinter(CQuarnPrinter* pPrinter);
    // Stops a running download after the chunk in flight; does nothing between downloads.
    // Safe from any thread at any moment while the thread is alive.
    void SignalCancel();
    // The state the record keeps to abandon this thread safely.
    std::shared_ptr<CPrinterLink> Link() const { return m_pLink; }
    // How long a successful download waits before calibrating the printer.
    void SetCalibrateDelay(unsigned delayMs) { m_nCalibrateDelayMs = delayMs; }
    // How long a port may take no byte before the download ends with code 12.
    void SetStallTimeout(unsigned timeoutMs) { m_nStallTimeoutMs = timeoutMs; }

    // Bytes that must go out between two progress reports for a file of length bytes.
    static std::uint64_t ProgressStep(std::uint64_t length);

protected:
    // wParam: the scheduler to tell at the end (0 = none); lParam: its thread id.
    void OnDownload(WPARAM wParam, LPARAM lParam);
    // A cancel dropped a request of this printer before it began.
    void OnDownloadDropped(WPARAM wParam, LPARAM lParam);

private:
    enum class Ending { Delivered, Unconfirmed, Cancelled };

    // Opens the file and the port and sends the file; the result WM_DOWNLOAD_END carries.
    // The outcome gets everything but the calibration and the end time.
    long Transfer(const CPrinterLink::Snapshot& snapshot, DownloadOutcome& outcome);
    Ending SendFile(CPortBase& port, std::uint64_t length, Sha256& hash);
    // Waits the calibration delay (a cancel ends the wait and skips it) and calibrates.
    void CalibrateAfter(const CPrinterLink::Snapshot& snapshot, DownloadOutcome& outcome);
    bool IsCancelled() const;
    bool PostToWindow(unsigned message, LPARAM lParam) const;
    void PostOutcome(std::unique_ptr<DownloadOutcome> outcome) const;

    CQuarnPrinter* m_pPrinter = nullptr;  // not owned; read only through m_pLink
    std::unique_ptr<CFile> m_pFile;
    std::uint64_t m_nSent = 0;  // bytes of the running download the port has taken
    unsigned char m_buffer[kChunkSize];
    // The cancel event is open only while a download runs; the mutex keeps a late
    // SignalCancel from racing with its opening and closing.
    mutable std::mutex m_cancelMutex;
    CEvent m_hCancel;
    // The same signal as a descriptor, for the port's waits; open only while a download runs.
    int m_hCancelFd = -1;
    bool m_bCancelOpen = false;
    std::shared_ptr<CPrinterLink> m_pLink;
    std::atomic<unsigned> m_nCalibrateDelayMs{kCalibrateDelayMs};
    std::atomic<unsigned> m_nStallTimeoutMs{kDefaultStallTimeoutMs};
};
