#include "RateLimiter.h"

#include <algorithm>

RateLimiter::RateLimiter(std::uint64_t bytesPerSecond)
    : m_rate(static_cast<double>(bytesPerSecond)),
      m_capacity(std::max(1.0, m_rate / 20)),
      m_tokens(0),
      m_last(Clock::now())
{
}

std::uint64_t RateLimiter::Available(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - m_last).count();
    m_tokens = std::min(m_capacity, m_tokens + seconds * m_rate);
    m_last = now;
    return static_cast<std::uint64_t>(m_tokens);
}

void RateLimiter::Consume(std::uint64_t bytes)
{
    m_tokens -= static_cast<double>(bytes);
}

RateLimiter::Clock::duration RateLimiter::WaitForMore() const
{
    // Waking for a few kilobytes at a time keeps the wake-ups of fast printers few.
    const double wanted = std::min(m_capacity, 16384.0) - m_tokens;
    const auto wait = std::chrono::duration<double>(std::max(wanted, 1.0) / m_rate);
    return std::max<Clock::duration>(std::chrono::duration_cast<Clock::duration>(wait), std::chrono::milliseconds(1));
}
