#include "CUSBAccessLibrary.h"

#include <dlfcn.h>

#include <string>

#include "QuarnUSB.h"

CUSBAccessLibrary::CUSBAccessLibrary(const CString& libraryName)
    : m_hLibrary(dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL))
{
}

CUSBAccessLibrary::~CUSBAccessLibrary()
{
    if (m_hLibrary) dlclose(m_hLibrary);
}

std::vector<CString> CUSBAccessLibrary::DetectUSBDevices() const
{
    std::vector<CString> devices;
    if (!m_hLibrary) return devices;
    const auto detect = reinterpret_cast<DetectUSBDevicesFunction>(dlsym(m_hLibrary, kDetectUSBDevicesName));
    if (!detect) return devices;
    std::vector<std::string> found;
    detect(&found);
    devices.assign(found.begin(), found.end());
    return devices;
}

CString& CUSBAccessLibrary::LibraryName()
{
    static CString name = kQuarnUSBLibraryName;
    return name;
}
