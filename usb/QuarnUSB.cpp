#include "QuarnUSB.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kDeviceFolder = "/dev/usb";
constexpr const char* kDeviceFolderVariable = "QUARN_USB_DEVICE_DIR";

// The number of a usblp device name ("lp7" gives "7"), or empty for any other name.
std::string DeviceNumber(const std::string& name)
{
    if (name.size() < 3 || name.compare(0, 2, "lp") != 0) return std::string();
    const std::string digits = name.substr(2);
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ? digits
                                                                                                   : std::string();
}

bool ComesBefore(const std::filesystem::path& a, const std::filesystem::path& b)
{
    const std::string numberA = DeviceNumber(a.filename().string());
    const std::string numberB = DeviceNumber(b.filename().string());
    if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
    return numberA < numberB;
}

std::vector<std::filesystem::path> PrinterDevices(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!DeviceNumber(it->path().filename().string()).empty() && !it->is_directory(error))
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end(), ComesBefore);
    return found;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void DetectUSBDevices(std::vector<std::string>* devices)
{
    // No exception may cross into the caller, which only knows a C entry point.
    try {
        const char* overridden = std::getenv(kDeviceFolderVariable);
        for (const auto& device : PrinterDevices(overridden && *overridden ? overridden : kDeviceFolder))
            devices->push_back(device.string());
    } catch (...) {
    }
}
