// The window the printers of a quarnctl download report to: their messages, collected from
// the printer threads and handed to the main thread in order.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "CQuarnPrinterData.h"
#include "CWnd.h"

class ConsoleUserInterface;

struct DownloadEvent {
    enum Kind { Begin, Progress, End };
    Kind kind;
    const CQuarnPrinterData* printer;
    std::uint64_t value;  // file length, bytes so far, or 1/0 for the end
    CString failure;      // with an end of 0: what the printer thread showed before it
};

class DownloadWindow : public CWnd {
public:
    explicit DownloadWindow(ConsoleUserInterface& ui) : m_ui(ui) {}

    // Called on the printer threads.
    void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;
    // The next message, or nothing when none came within timeout.
    std::optional<DownloadEvent> WaitForEvent(std::chrono::milliseconds timeout);

private:
    ConsoleUserInterface& m_ui;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<DownloadEvent> m_events;
};
