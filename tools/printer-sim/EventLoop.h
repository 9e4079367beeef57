// Single-threaded epoll loop with timers that drives every simulated printer of the process,
// ends on SIGTERM or SIGINT, and hands SIGUSR1 to whoever asked for it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class EventLoop {
public:
    using Handler = std::function<void(std::uint32_t events)>;
    using Task = std::function<void()>;
    using TimerId = std::uint64_t;
    using Clock = std::chrono::steady_clock;

    // Blocks SIGTERM, SIGINT and SIGUSR1 for the whole process so that they arrive only through the loop.
    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Level-triggered watch of fd; events may be 0 to hear only of errors and hang-ups.
    void Watch(int fd, std::uint32_t events, Handler handler);
    void Change(int fd, std::uint32_t events);
    // Safe from inside a handler, also the fd's own; no stale event reaches a later fd of the same number.
    void Unwatch(int fd);

    // Runs task, inside the loop, each time SIGUSR1 arrives.
    void OnUserSignal(Task task) { m_userSignal = std::move(task); }

    TimerId After(Clock::duration delay, Task task);
    void Cancel(TimerId id);

    // Runs until Stop or a termination signal.
    void Run();
    void Stop() { m_running = false; }

private:
    struct Watched {
        std::uint32_t generation;
        std::shared_ptr<Handler> handler;
    };

    int NextWaitMs() const;
    void RunDueTimers();
    void Dispatch(std::uint64_t key, std::uint32_t events);

    int m_epoll = -1;
    int m_signals = -1;
    bool m_running = false;
    std::uint32_t m_nextGeneration = 1;
    std::map<int, Watched> m_watched;
    TimerId m_nextTimer = 1;
    std::map<std::pair<Clock::time_point, TimerId>, Task> m_timers;
    std::map<TimerId, Clock::time_point> m_timerDue;
    Task m_userSignal;
};
