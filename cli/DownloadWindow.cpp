#include "DownloadWindow.h"

#include "WindowMessages.h"

void DownloadWindow::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam)
{
    DownloadEvent event{DownloadEvent::Begin, reinterpret_cast<const CQuarnPrinterData*>(wParam), lParam, nullptr};
    switch (message) {
    case WM_DOWNLOAD_BEGIN:
        break;
    case WM_DOWNLOAD_PROGRESS:
        event.kind = DownloadEvent::Progress;
        break;
    case WM_DOWNLOAD_END:
        event.kind = DownloadEvent::End;
        break;
    case WM_DOWNLOAD_OUTCOME:
        event.kind = DownloadEvent::Outcome;
        event.outcome.reset(reinterpret_cast<DownloadOutcome*>(lParam));
        event.value = 0;
        break;
    default:
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    m_arrived.notify_one();
}

std::optional<DownloadEvent> DownloadWindow::WaitForEvent(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    if (!m_arrived.wait_for(lock, timeout, [this] { return !m_events.empty(); })) return std::nullopt;
    DownloadEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}
