#include "CThreadMessageQueue.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

CThreadMessageQueue::CThreadMessageQueue() : m_hWakeup(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_hWakeup == -1) throw std::system_error(errno, std::generic_category(), "eventfd");
}

CThreadMessageQueue::~CThreadMessageQueue() { close(m_hWakeup); }

bool CThreadMessageQueue::Post(const CThreadMessage& message)
{
    std::lock_guard lock(m_mutex);
    if (m_bClosed) return false;
    m_messages.push_back(message);
    Wake();
    return true;
}

void CThreadMessageQueue::Replace(unsigned message, unsigned replacement)
{
    std::lock_guard lock(m_mutex);
    for (CThreadMessage& waiting : m_messages) {
        if (waiting.message == message) waiting.message = replacement;
    }
}

void CThreadMessageQueue::PostQuit()
{
    std::lock_guard lock(m_mutex);
    m_bQuit = true;
    Wake();
}

bool CThreadMessageQueue::HasMessage() const
{
    std::lock_guard lock(m_mutex);
    return !m_messages.empty() || m_bQuit;
}

CThreadMessageQueue::EWaitResult CThreadMessageQueue::Wait(CThreadMessage& message, int extraFd)
{
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_messages.empty()) {
                message = m_messages.front();
                m_messages.pop_front();
                return waitMessage;
            }
            if (m_bQuit) {
                m_bClosed = true;
                return waitQuit;
            }
        }
        pollfd fds[2] = {{m_hWakeup, POLLIN, 0}, {extraFd, POLLIN, 0}};
        const nfds_t count = extraFd == -1 ? 1 : 2;
        if (poll(fds, count, -1) == -1) continue;  // EINTR: look at the queue again
        // A post that lands after this drain still finds the queue non-empty above.
        if (fds[0].revents) DrainWakeups();
        if (count == 2 && fds[1].revents) return waitDescriptor;
    }
}

void CThreadMessageQueue::Wake()
{
    // Cannot block or fail short of 2^64-1 pending wake-ups.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = write(m_hWakeup, &one, sizeof one);
}

void CThreadMessageQueue::DrainWakeups()
{
    std::uint64_t count;
    [[maybe_unused]] const ssize_t ignored = read(m_hWakeup, &count, sizeof count);
}
