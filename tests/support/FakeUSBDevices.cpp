#include "FakeUSBDevices.h"

#include <sys/stat.h>

#include <stdexcept>

FakeUSBDevices::FakeUSBDevices(std::initializer_list<std::string> names)
    : m_deviceFolder("QUARN_USB_DEVICE_DIR", m_folder.Path().string())
{
    for (const std::string& name : names)
        if (::mkfifo(PathOf(name).c_str(), 0600) != 0) throw std::runtime_error("cannot make the FIFO " + PathOf(name));
}

std::string FakeUSBDevices::PathOf(const std::string& name) const
{
    return (m_folder.Path() / name).string();
}
