// termios2 gives the rate as a number also for rates without a B-constant; its kernel header
// clashes with <termios.h>, which this file must never include.
#include "LineSettings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

std::optional<LineSettings> LineSettings::Read(int fd)
{
    termios2 line{};
    if (::ioctl(fd, TCGETS2, &line) != 0) return std::nullopt;
    LineSettings settings;
    settings.baud = line.c_ospeed;
    switch (line.c_cflag & CSIZE) {
    case CS5: settings.dataBits = 5; break;
    case CS6: settings.dataBits = 6; break;
    case CS7: settings.dataBits = 7; break;
    default: settings.dataBits = 8; break;
    }
    if (!(line.c_cflag & PARENB)) settings.parity = "none";
    else if (line.c_cflag & CMSPAR) settings.parity = (line.c_cflag & PARODD) ? "mark" : "space";
    else settings.parity = (line.c_cflag & PARODD) ? "odd" : "even";
    settings.stopBits = (line.c_cflag & CSTOPB) ? 2 : 1;
    const bool software = line.c_iflag & IXON;
    const bool hardware = line.c_cflag & CRTSCTS;
    settings.flow = software && hardware ? "both" : software ? "software" : hardware ? "hardware" : "none";
    return settings;
}
