#include "DownloadSession.h"

#include <chrono>

#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CancelSignal.h"
#include "DownloadWindow.h"
#include "ProgressDisplay.h"
#include "OneLineText.h"
#include "VisibleText.h"
#include "WindowMessages.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(100);
// A cancel takes effect after the chunk in flight; a port stuck longer than this is left to
// the list's own teardown.
constexpr auto kCancelBound = std::chrono::seconds(60);

// An empty file is no error, but a printer that got nothing is worth a word.
constexpr const char* kEmptyFileNote = "the file was empty: nothing was sent";

}  // namespace

DownloadSession::DownloadSession(CQuarnPrinters& printers, DownloadWindow& window, ProgressDisplay& display,
                                 const std::vector<CQuarnPrinterData*>& queued)
    : m_printers(printers), m_window(window), m_display(display)
{
    for (CQuarnPrinterData* printer : queued) {
        m_order.push_back(printer);
        Track& track = m_tracks[printer];
        track.name = printer->Name();
        const auto* record = dynamic_cast<const CQuarnPrinter*>(printer);
        track.calibrates = record && record->m_bCalibrate;
    }
}

void DownloadSession::Queue(bool everyPrinter)
{
    if (everyPrinter) {
        m_printers.DownloadToPrinters(nullptr);
        return;
    }
    // One request per printer keeps the list's order; a selection would be queued in the
    // order of its keys.
    for (CQuarnPrinterData* printer : m_order) {
        const CMapStringToOb one = {{printer->Name(), printer}};
        m_printers.DownloadToPrinters(&one);
    }
}

void DownloadSession::Run(bool everyPrinter, const CancelSignal& signal)
{
    const Clock::time_point started = Clock::now();
    try {
        Queue(everyPrinter);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(0, 0);
        Cancel();
    }

    Clock::time_point cancelledAt = Clock::now();
    while (!AllEnded()) {
        if (signal.Requested() && !m_bCancelling) {
            m_display.Note("Cancelling: running downloads stop after the block in flight.");
            Cancel();
            cancelledAt = Clock::now();
        }
        if (auto event = m_window.WaitForEvent(kPollInterval)) {
            Apply(*event);
            // The scheduler may have handed this download out just before the cancel.
            if (m_bCancelling && event->kind == DownloadEvent::Begin) m_printers.CancelDownload();
        }
        if (m_bCancelling && Clock::now() - cancelledAt >= kCancelBound) break;
        m_display.Refresh();
    }
    m_elapsed = Clock::now() - started;
    // A printer whose thread never answered the cancel within the bound is counted as cancelled.
    for (auto& [printer, track] : m_tracks) {
        if (track.outcome) continue;
        track.outcome.emplace();
        track.outcome->printer = track.name;
        track.outcome->result = DownloadResult::cancelled;
    }
}

void DownloadSession::Cancel()
{
    m_bCancelling = true;
    m_printers.CancelDownload();
}

void DownloadSession::Apply(const DownloadEvent& event)
{
    auto it = m_tracks.find(event.printer);
    if (it == m_tracks.end()) return;
    Track& track = it->second;
    switch (event.kind) {
    case DownloadEvent::Begin:
        m_display.Begin(track.name, event.value);
        break;
    case DownloadEvent::Progress:
        m_display.Progress(track.name, event.value);
        break;
    case DownloadEvent::End:
        if (event.value != kDownloadFailed && track.calibrates && !m_bCancelling) m_display.Calibrating(track.name);
        break;
    case DownloadEvent::Outcome: {
        const DownloadOutcome& outcome = *event.outcome;
        track.outcome = outcome;
        if (outcome.result == DownloadResult::failed)
            // Note makes the whole text safe to show; escaping its parts here too would show
            // the message's own line break as a literal backslash escape.
            m_display.Note(Folded(track.name) + " (" + Folded(outcome.port) + "): " + OutcomeMessage(outcome));
        if (outcome.calibration == CalibrationResult::failed)
            m_display.Note(Folded(track.name) + ": calibration failed: " + outcome.calibrationMessage);
        const bool ok = outcome.result == DownloadResult::ok;
        m_display.End(track.name, ok ? (outcome.fileSize == 0 ? kEmptyFileNote
                                        : outcome.confirmed  ? "finished"
                                                             : "finished, not confirmed")
                                     : ResultWord(outcome.result));
        break;
    }
    }
}

bool DownloadSession::AllEnded() const
{
    for (const auto& [printer, track] : m_tracks) {
        if (!track.outcome) return false;
    }
    return true;
}

std::vector<DownloadOutcome> DownloadSession::Outcomes() const
{
    std::vector<DownloadOutcome> outcomes;
    for (const CQuarnPrinterData* printer : m_order) outcomes.push_back(*m_tracks.at(printer).outcome);
    return outcomes;
}

bool DownloadSession::WriteJson(std::ostream& out) const
{
    bool allSucceeded = true;
    out << '[';
    const char* separator = "";
    for (const DownloadOutcome& outcome : Outcomes()) {
        out << separator << DownloadOutcomeJson(outcome);
        separator = ",\n";
        allSucceeded = allSucceeded && outcome.result == DownloadResult::ok;
    }
    out << "]\n";
    return allSucceeded;
}

CString DownloadSession::Summary() const
{
    int counts[3] = {0, 0, 0};
    for (const DownloadOutcome& outcome : Outcomes()) ++counts[static_cast<int>(outcome.result)];
    const auto printers = m_order.size();
    return FormatString("%zu printer%s: %d ok, %d failed, %d cancelled in %.1f s", printers, printers == 1 ? "" : "s",
                        counts[static_cast<int>(DownloadResult::ok)], counts[static_cast<int>(DownloadResult::failed)],
                        counts[static_cast<int>(DownloadResult::cancelled)],
                        std::chrono::duration<double>(m_elapsed).count());
}

bool DownloadSession::WriteResults(std::ostream& out) const
{
    bool allSucceeded = true;
    for (const CQuarnPrinterData* printer : m_order) {
        const Track& track = m_tracks.at(printer);
        const std::optional<DownloadOutcome>& outcome = track.outcome;
        out << VisibleText(track.name) << '\t';
        if (outcome->result == DownloadResult::ok) {
            out << "ok\t" << outcome->fileSize;
            if (outcome->fileSize == 0) out << "\t" << kEmptyFileNote;
            if (!outcome->confirmed) out << "\tdelivered, not confirmed by the printer's close";
            out << '\n';
            continue;
        }
        allSucceeded = false;
        if (outcome->result == DownloadResult::cancelled) {
            out << "cancelled\n";
            continue;
        }
        const CString message = OutcomeMessage(*outcome);
        out << "failed\t" << (message.empty() ? CString("The download did not complete.") : OneLine(message)) << '\n';
    }
    return allSucceeded;
}
