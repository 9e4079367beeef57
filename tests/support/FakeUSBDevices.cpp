#include "FakeUSBDevices.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

FakeUSBDevices::FakeUSBDevices(std::initializer_list<std::string> names)
    : m_deviceFolder("QUARN_USB_DEVICE_DIR", m_folder.Path().string())
{
    for (const std::string& name : names) Add(name);
}

FakeUSBDevices::~FakeUSBDevices()
{
    for (const auto& [name, fd] : m_printerSides) ::close(fd);
}

void FakeUSBDevices::Add(const std::string& name)
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd == -1) throw std::runtime_error("cannot open a pseudo-terminal for " + name);
    m_printerSides[name] = fd;
    // Raw, so that the bytes pass unchanged both ways; set here, it holds for the device side.
    termios settings{};
    const char* device = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || !(device = ::ptsname(fd)) || ::tcgetattr(fd, &settings) != 0)
        throw std::runtime_error("cannot prepare the pseudo-terminal for " + name);
    ::cfmakeraw(&settings);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0 || ::symlink(device, PathOf(name).c_str()) != 0)
        throw std::runtime_error("cannot make the device " + PathOf(name));
}

std::string FakeUSBDevices::PathOf(const std::string& name) const
{
    return (m_folder.Path() / name).string();
}

int FakeUSBDevices::PrinterSideOf(const std::string& name) const
{
    return m_printerSides.at(name);
}
