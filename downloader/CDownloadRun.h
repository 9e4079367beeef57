// The downloads the program has asked for and that are not over yet: from the request,
// through the queue, the transfer and the calibration pause, until the printer's thread is
// done with the printer; and how the ones of the current run ended.
#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <vector>

class CQuarnPrinterData;

class CDownloadRun {
public:
    enum class EResult { Ok, Failed, Cancelled };

    struct Tally {
        int ok = 0;
        int failed = 0;
        int cancelled = 0;
    };

    // A request the scheduler has queued; starts a new tally when nothing was running.
    void Request(CQuarnPrinterData* pPrinter, const QByteArray& name);
    // The transfer began; a printer not asked for here (its request came another way) joins.
    void Begin(CQuarnPrinterData* pPrinter, const QByteArray& name);
    // The file has gone out (or the transfer failed); the thread may still calibrate.
    void EndTransfer(CQuarnPrinterData* pPrinter);
    // Seconds from the transfer's begin to its end, when both were seen.
    std::optional<double> TransferSeconds(CQuarnPrinterData* pPrinter) const;
    // The printer's thread is done with it; true when that was the last download of the run.
    bool Finish(CQuarnPrinterData* pPrinter, EResult result);
    // Requests that will never start (the request failed part-way); they count as nothing.
    // Returns their names.
    std::vector<QByteArray> ForgetWaiting();
    // Everything, when the printers themselves are gone.
    void Clear() { m_entries.clear(); }

    int Count() const { return static_cast<int>(m_entries.size()); }
    bool Contains(CQuarnPrinterData* pPrinter) const { return m_entries.count(pPrinter) != 0; }
    // The name the printer had when it was asked for; empty when it is not in the run.
    QByteArray Name(CQuarnPrinterData* pPrinter) const;
    const Tally& Totals() const { return m_tally; }

private:
    struct Entry {
        QByteArray name;
        std::optional<std::chrono::steady_clock::time_point> begun;  // none while it waits
        std::optional<std::chrono::steady_clock::time_point> transferred;
    };
    // The record is only a key: a message may outlive it.
    std::unordered_map<CQuarnPrinterData*, Entry> m_entries;
    Tally m_tally;
};
