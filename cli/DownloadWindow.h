// The window the printers of a quarnctl download report to: their messages, collected from
// the printer threads and handed to the main thread in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "CQuarnPrinterData.h"
#include "CWnd.h"
#include "DownloadOutcome.h"

struct DownloadEvent {
    enum Kind { Begin, Progress, End, Outcome };
    Kind kind;
    const CQuarnPrinterData* printer;  // compared only: the record may be gone
    std::uint64_t value;  // file length, bytes so far, or the end's result
    std::unique_ptr<DownloadOutcome> outcome;  // with Outcome
};

class DownloadWindow : public CWnd {
public:
    // Called on the printer threads.
    void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;
    // The next message, or nothing when none came within timeout.
    std::optional<DownloadEvent> WaitForEvent(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<DownloadEvent> m_events;
};
