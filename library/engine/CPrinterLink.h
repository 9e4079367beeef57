// What a printer record and its download thread share, so that a thread whose record
// stopped waiting for it never touches the record, its port or its window again.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "CPortBase.h"
#include "CString.h"
#include "CWnd.h"
#include "DownloadOutcome.h"

class CQuarnPrinter;

class CPrinterLink {
public:
    // The record's settings as they stood when a download started.
    struct Snapshot {
        CString strDownloadFile;
        CPortBase* pPort;
        bool bCalibrate;
        // What the download's outcome names the printer by.
        CString strName;
        CString strModel;
        CString strPortKind;
        CString strPort;

        static Snapshot Of(const CQuarnPrinter& printer);
        // An outcome naming the printer and its file, started now.
        std::unique_ptr<DownloadOutcome> StartOutcome() const;
    };

    CPrinterLink() = default;
    // Closes and frees a port the record left behind.
    ~CPrinterLink();
    CPrinterLink(const CPrinterLink&) = delete;
    CPrinterLink& operator=(const CPrinterLink&) = delete;

    // The settings of pPrinter, or nothing once the record has let go (pPrinter may then
    // be freed and is not read).
    std::optional<Snapshot> Read(const CQuarnPrinter* pPrinter) const;
    // Posts to the record's window unless the record has let go; false when nothing was posted.
    bool PostToWindow(CWnd* pWnd, unsigned message, WPARAM wParam, LPARAM lParam) const;
    bool IsAbandoned() const;
    // Called by the record when its wait for the thread ran out: from now on the thread
    // reads nothing of the record, posts nothing to its window, and the port (possibly in
    // use by the thread) lives until the thread is gone.
    void Abandon(std::unique_ptr<CPortBase> pPort);

private:
    mutable std::mutex m_mutex;
    bool m_bAbandoned = false;
    std::unique_ptr<CPortBase> m_pOrphanPort;
};
