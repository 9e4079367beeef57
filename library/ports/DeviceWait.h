// Bounded waits on a non-blocking device descriptor, the way the ports limit their transfers.
#pragma once

#include <chrono>

using DeviceClock = std::chrono::steady_clock;

// Waits until fd is ready for events (or reports an error or hang-up, which the next
// transfer call reveals) and returns true, or returns false once deadline has passed. A
// readable cancel descriptor (-1: none) ends the wait at once, returning true: the caller
// looks at its cancel signal next. A wait the system refuses raises code 10.
bool WaitForDevice(int fd, short events, DeviceClock::time_point deadline, int cancelFd = -1);
