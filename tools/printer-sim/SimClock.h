// The simulator's two clocks in milliseconds with microsecond fractions: one monotonic clock
// for ordering and overlap of connections, and wall time for people reading a record.
#pragma once

#include <chrono>

inline double MonotonicMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(now).count() / 1000.0;
}

inline double EpochMs()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(now).count() / 1000.0;
}
