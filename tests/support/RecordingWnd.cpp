#include "RecordingWnd.h"

#include <algorithm>

void RecordingWnd::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard lock(m_mutex);
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

std::size_t RecordingWnd::CountLocked(unsigned id) const
{
    return static_cast<std::size_t>(
        std::count_if(m_messages.begin(), m_messages.end(), [id](const Message& m) { return m.id == id; }));
}
