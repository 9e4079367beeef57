#include "EventLoop.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

// The signal descriptor sits in the same epoll set under a key no socket can have.
constexpr std::uint64_t kSignalKey = ~std::uint64_t{0};

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

std::uint64_t KeyOf(int fd, std::uint32_t generation)
{
    return (std::uint64_t{generation} << 32) | static_cast<std::uint32_t>(fd);
}

}  // namespace

EventLoop::EventLoop()
{
    m_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll == -1) Fail("epoll_create1");
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGUSR1);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0) Fail("sigprocmask");
    m_signals = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_signals == -1) Fail("signalfd");
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kSignalKey;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_signals, &event) != 0) Fail("epoll_ctl");
}

EventLoop::~EventLoop()
{
    close(m_signals);
    close(m_epoll);
}

void EventLoop::Watch(int fd, std::uint32_t events, Handler handler)
{
    const std::uint32_t generation = m_nextGeneration++;
    epoll_event event{};
    event.events = events;
    event.data.u64 = KeyOf(fd, generation);
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) Fail("epoll_ctl add");
    m_watched[fd] = Watched{generation, std::make_shared<Handler>(std::move(handler))};
}

void EventLoop::Change(int fd, std::uint32_t events)
{
    const auto found = m_watched.find(fd);
    if (found == m_watched.end()) return;
    epoll_event event{};
    event.events = events;
    event.data.u64 = KeyOf(fd, found->second.generation);
    if (epoll_ctl(m_epoll, EPOLL_CTL_MOD, fd, &event) != 0) Fail("epoll_ctl mod");
}

void EventLoop::Unwatch(int fd)
{
    if (m_watched.erase(fd) != 0) epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
}

EventLoop::TimerId EventLoop::After(Clock::duration delay, Task task)
{
    const TimerId id = m_nextTimer++;
    const Clock::time_point due = Clock::now() + delay;
    m_timers.emplace(std::make_pair(due, id), std::move(task));
    m_timerDue.emplace(id, due);
    return id;
}

void EventLoop::Cancel(TimerId id)
{
    const auto found = m_timerDue.find(id);
    if (found == m_timerDue.end()) return;
    m_timers.erase(std::make_pair(found->second, id));
    m_timerDue.erase(found);
}

void EventLoop::Run()
{
    m_running = true;
    epoll_event events[64];
    while (m_running) {
        const int count = epoll_wait(m_epoll, events, 64, NextWaitMs());
        if (count < 0) {
            if (errno == EINTR) continue;
            Fail("epoll_wait");
        }
        for (int i = 0; i < count && m_running; ++i) Dispatch(events[i].data.u64, events[i].events);
        RunDueTimers();
    }
}

int EventLoop::NextWaitMs() const
{
    if (m_timers.empty()) return -1;
    const auto left = m_timers.begin()->first.first - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    // Round up so that a timer is never woken for too early and then polled in a busy loop.
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void EventLoop::RunDueTimers()
{
    const Clock::time_point now = Clock::now();
    while (m_running && !m_timers.empty() && m_timers.begin()->first.first <= now) {
        const auto first = m_timers.begin();
        Task task = std::move(first->second);
        m_timerDue.erase(first->first.second);
        m_timers.erase(first);
        task();
    }
}

void EventLoop::Dispatch(std::uint64_t key, std::uint32_t events)
{
    if (key == kSignalKey) {
        signalfd_siginfo info;
        while (read(m_signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            if (info.ssi_signo != SIGUSR1) m_running = false;
            else if (m_userSignal) m_userSignal();
        }
        return;
    }
    const int fd = static_cast<int>(key & 0xFFFFFFFFu);
    const auto found = m_watched.find(fd);
    if (found == m_watched.end() || KeyOf(fd, found->second.generation) != key) return;
    // The handler may unwatch its own fd; the copy keeps it alive until it returns.
    const std::shared_ptr<Handler> handler = found->second.handler;
    (*handler)(events);
}
