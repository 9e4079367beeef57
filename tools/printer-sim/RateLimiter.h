// Token bucket that holds a connection's intake to a byte rate, with a burst of 50 ms.
#pragma once

#include <chrono>
#include <cstdint>

class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    explicit RateLimiter(std::uint64_t bytesPerSecond);

    // Bytes that may be taken now.
    std::uint64_t Available(Clock::time_point now);
    void Consume(std::uint64_t bytes);
    // How long until a worthwhile amount may be taken again; never zero, so the caller cannot spin.
    Clock::duration WaitForMore() const;

private:
    double m_rate;
    double m_capacity;
    double m_tokens;
    Clock::time_point m_last;
};
