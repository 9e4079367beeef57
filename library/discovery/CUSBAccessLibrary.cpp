#include "CUSBAccessLibrary.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "QuarnUSB.h"

namespace {

// A bare name is looked for in the printer library's own folder too: the loader finds it there
// through this library's run path only while the call comes straight from here, and a tool
// that intercepts dlopen (the address sanitizer does) makes it come from elsewhere.
void* OpenLibrary(const CString& name)
{
    constexpr int kMode = RTLD_NOW | RTLD_LOCAL;
    void* library = dlopen(name.c_str(), kMode);
    if (library || name.find('/') != CString::npos) return library;
    Dl_info self{};
    if (!dladdr(reinterpret_cast<const void*>(&OpenLibrary), &self) || !self.dli_fname) return nullptr;
    const std::filesystem::path beside = std::filesystem::path(self.dli_fname).parent_path() / name;
    return dlopen(beside.c_str(), kMode);
}

}  // namespace

CUSBAccessLibrary::CUSBAccessLibrary(const CString& libraryName) : m_hLibrary(OpenLibrary(libraryName)) {}

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
