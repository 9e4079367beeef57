#include "DeviceWait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"

bool WaitForDevice(int fd, short events, DeviceClock::time_point deadline, int cancelFd)
{
    using std::chrono::milliseconds;
    for (;;) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - DeviceClock::now());
        pollfd entries[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int ready = ::poll(entries, 2, static_cast<int>(std::max<milliseconds::rep>(left.count(), 0)));
        if (ready > 0) return true;
        if (ready == 0) {
            // poll may wake a little early; only the deadline itself ends the wait.
            if (DeviceClock::now() >= deadline) return false;
            continue;
        }
        if (errno != EINTR) ThrowPrinterError(errInvalidParameter);
    }
}
