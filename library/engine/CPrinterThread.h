// A printer's own download thread: on each WM_DOWNLOAD it sends the printer's file over
// the printer's port in 1024-byte chunks, reports begin, progress and end to the notify
// window, and tells the scheduler when its place is free.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "CBaseThread.h"
#include "CEvent.h"
#include "CFile.h"
#include "CPrinterLink.h"

class CPortBase;
class CQuarnPrinter;

class CPrinterThread : public CBaseThread {
public:
    static constexpr std::uint32_t kChunkSize = 1024;
    static constexpr unsigned kCalibrateDelayMs = 5000;
    static constexpr unsigned kShortWriteRetryMs = 10;

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

    // Bytes that must go out between two progress reports for a file of length bytes.
    static std::uint64_t ProgressStep(std::uint64_t length);

protected:
    // wParam: the scheduler to tell at the end (0 = none); lParam: its thread id.
    void OnDownload(WPARAM wParam, LPARAM lParam);

private:
    // Opens the file and the port and sends the file; the result WM_DOWNLOAD_END carries.
    long Transfer(const CPrinterLink::Snapshot& snapshot);
    long SendFile(CPortBase& port, std::uint64_t length);
    bool IsCancelled() const;
    void PostToWindow(unsigned message, LPARAM lParam) const;

    CQuarnPrinter* m_pPrinter = nullptr;  // not owned; read only through m_pLink
    std::unique_ptr<CFile> m_pFile;
    unsigned char m_buffer[kChunkSize];
    // The cancel event is open only while a download runs; the mutex keeps a late
    // SignalCancel from racing with its opening and closing.
    mutable std::mutex m_cancelMutex;
    CEvent m_hCancel;
    bool m_bCancelOpen = false;
    std::shared_ptr<CPrinterLink> m_pLink;
    std::atomic<unsigned> m_nCalibrateDelayMs{kCalibrateDelayMs};
};
