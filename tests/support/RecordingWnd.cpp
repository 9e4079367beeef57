#include "RecordingWnd.h"

#include <algorithm>

#include "WindowMessages.h"

void RecordingWnd::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(m_mutex);
    if (message == WM_DOWNLOAD_OUTCOME)
        m_outcomes.emplace_back(wParam, std::unique_ptr<DownloadOutcome>(reinterpret_cast<DownloadOutcome*>(lParam)));
    else
        m_messages.push_back({message, wParam, lParam});
    m_arrived.notify_all();
}

std::vector<RecordingWnd::Message> RecordingWnd::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<LPARAM> RecordingWnd::Params(unsigned id) const
{
    std::lock_guard lock(m_mutex);
    std::vector<LPARAM> params;
    for (const Message& message : m_messages)
        if (message.id == id) params.push_back(message.lParam);
    return params;
}

std::size_t RecordingWnd::Count(unsigned id) const
{
    std::lock_guard lock(m_mutex);
    return CountLocked(id);
}

bool RecordingWnd::WaitForCount(unsigned id, std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return CountLocked(id) >= count; });
}

std::vector<DownloadOutcome> RecordingWnd::Outcomes() const
{
    std::lock_guard lock(m_mutex);
    std::vector<DownloadOutcome> outcomes;
    for (const auto& [record, outcome] : m_outcomes) outcomes.push_back(*outcome);
    return outcomes;
}

std::vector<WPARAM> RecordingWnd::OutcomeRecords() const
{
    std::lock_guard lock(m_mutex);
    std::vector<WPARAM> records;
    for (const auto& [record, outcome] : m_outcomes) records.push_back(record);
    return records;
}

std::size_t RecordingWnd::CountLocked(unsigned id) const
{
    if (id == WM_DOWNLOAD_OUTCOME) return m_outcomes.size();
    return static_cast<std::size_t>(
        std::count_if(m_messages.begin(), m_messages.end(), [id](const Message& m) { return m.id == id; }));
}
