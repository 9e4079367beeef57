#include "DownloadSession.h"

#include <chrono>

#include "CQuarnPrinterException.h"
#include "CancelSignal.h"
#include "DownloadWindow.h"
#include "ProgressDisplay.h"
#include "VisibleText.h"
#include "messages.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(100);
// After a cancel, a download the scheduler had already handed out may still begin; this
// much silence after the last running download ended means none will.
constexpr auto kQuietAfterCancel = std::chrono::milliseconds(1500);
// A cancel takes effect after the chunk in flight; a port stuck longer than this is left to
// the list's own teardown.
constexpr auto kCancelBound = std::chrono::seconds(60);

// Result lines are tab-separated, one per printer: a multi-line message is folded, and what
// it quotes from outside (paths, printer answers) cannot drive the terminal.
CString OneLine(CString text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return VisibleText(text);
}

}  // namespace

DownloadSession::DownloadSession(CQuarnPrinters& printers, DownloadWindow& window, ProgressDisplay& display,
                                 const std::vector<CQuarnPrinterData*>& queued)
    : m_printers(printers), m_window(window), m_display(display)
{
    for (CQuarnPrinterData* printer : queued) {
        m_order.push_back(printer);
        m_tracks[printer].name = printer->Name();
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
    try {
        Queue(everyPrinter);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(0, 0);
        Cancel();
    }

    Clock::time_point lastEvent = Clock::now();
    Clock::time_point cancelledAt = lastEvent;
    while (!AllEnded()) {
        if (signal.Requested() && !m_bCancelling) {
            m_display.Note("Cancelling: running downloads stop after the block in flight.");
            Cancel();
            cancelledAt = Clock::now();
        }
        if (auto event = m_window.WaitForEvent(kPollInterval)) {
            Apply(*event);
            lastEvent = Clock::now();
            // The scheduler may have handed this download out just before the cancel.
            if (m_bCancelling && event->kind == DownloadEvent::Begin) m_printers.CancelDownload();
        }
        if (m_bCancelling) {
            const Clock::time_point now = Clock::now();
            if (AllBegunEnded() && now - lastEvent >= kQuietAfterCancel) break;
            if (now - cancelledAt >= kCancelBound) break;
        }
        m_display.Refresh();
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
        track.begun = true;
        track.length = event.value;
        m_display.Begin(track.name, event.value);
        break;
    case DownloadEvent::Progress:
        m_display.Progress(track.name, event.value);
        break;
    case DownloadEvent::End:
        track.ended = true;
        track.succeeded = event.value != kDownloadFailed && !m_bCancelling;
        track.cancelled = event.value != kDownloadFailed && m_bCancelling;
        track.unconfirmed = event.value == kDownloadNotConfirmed;
        if (event.value == kDownloadFailed)
            track.failure = event.failure.empty() ? CString("The download did not complete.") : OneLine(event.failure);
        m_display.End(track.name, track.succeeded ? (track.unconfirmed ? "finished, not confirmed" : "finished")
                                  : track.cancelled ? "cancelled"
                                                    : "failed");
        break;
    }
}

bool DownloadSession::AllEnded() const
{
    for (const auto& [printer, track] : m_tracks) {
        if (!track.ended) return false;
    }
    return true;
}

bool DownloadSession::AllBegunEnded() const
{
    for (const auto& [printer, track] : m_tracks) {
        if (track.begun && !track.ended) return false;
    }
    return true;
}

bool DownloadSession::WriteResults(std::ostream& out) const
{
    bool allSucceeded = true;
    for (const CQuarnPrinterData* printer : m_order) {
        const Track& track = m_tracks.at(printer);
        out << VisibleText(track.name) << '\t';
        if (track.succeeded) {
            out << "ok\t" << track.length;
            if (track.unconfirmed) out << "\tdelivered, not confirmed by the printer's close";
            out << '\n';
            continue;
        }
        allSucceeded = false;
        if (!track.ended || track.cancelled)
            out << "cancelled\n";
        else
            out << "failed\t" << track.failure << '\n';
    }
    return allSucceeded;
}
