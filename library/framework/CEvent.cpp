#include "CEvent.h"

#include <chrono>

void CEvent::SetEvent()
{
    // Notified under the lock: a waiter that frees the event once it wakes cannot do so
    // while the notification is still touching it.
    std::lock_guard lock(m_mutex);
    m_bSignalled = true;
    m_changed.notify_all();
}

void CEvent::ResetEvent()
{
    std::lock_guard lock(m_mutex);
    m_bSignalled = false;
}

bool CEvent::Wait(unsigned timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    // A zero-time look is made once per download chunk: no trip into the kernel for it.
    if (timeoutMs == 0) return m_bSignalled;
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_bSignalled; });
}

void CEvent::Wait() const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_bSignalled; });
}

bool WaitForSingleObject(const HANDLE& handle, unsigned timeoutMs)
{
    return handle && handle->Wait(timeoutMs);
}
