// One quarnctl download: queues the printers, follows their messages until every download
// has ended (or a cancel has settled), and reports one result per printer.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <vector>

#include "CQuarnPrinters.h"
#include "DownloadOutcome.h"

class CancelSignal;
class DownloadWindow;
class ProgressDisplay;
struct DownloadEvent;

class DownloadSession {
public:
    // queued: the printers that will get a download (each has a download file).
    DownloadSession(CQuarnPrinters& printers, DownloadWindow& window, ProgressDisplay& display,
                    const std::vector<CQuarnPrinterData*>& queued);

    // Queues the printers (all of the list at once when every one is meant) and waits for
    // the outcome.
    void Run(bool everyPrinter, const CancelSignal& signal);
    // One line per queued printer; true when every download succeeded.
    bool WriteResults(std::ostream& out) const;
    // One JSON array of the outcomes, in the order of the results; true when every download succeeded.
    bool WriteJson(std::ostream& out) const;
    // "32 printers: 30 ok, 2 failed, 0 cancelled in 41.2 s"
    CString Summary() const;
    // The outcomes in the order of the results, once Run has returned.
    std::vector<DownloadOutcome> Outcomes() const;

private:
    struct Track {
        CString name;
        bool calibrates = false;
        // Nothing until the printer reports one; Run gives one to every printer before it returns.
        std::optional<DownloadOutcome> outcome;
    };

    void Queue(bool everyPrinter);
    void Apply(const DownloadEvent& event);
    void Cancel();
    bool AllEnded() const;

    CQuarnPrinters& m_printers;
    DownloadWindow& m_window;
    ProgressDisplay& m_display;
    std::vector<CQuarnPrinterData*> m_order;
    std::map<const CQuarnPrinterData*, Track> m_tracks;
    bool m_bCancelling = false;
    std::chrono::steady_clock::duration m_elapsed{};
};
