// The USB access library, loaded for one detection and freed right after it.
#pragma once

#include <vector>

#include "CString.h"

class CUSBAccessLibrary {
public:
    // Loads the library by name (found beside the printer library, or wherever the system
    // looks for libraries); a library that cannot be loaded finds nothing.
    explicit CUSBAccessLibrary(const CString& libraryName = LibraryName());
    ~CUSBAccessLibrary();
    CUSBAccessLibrary(const CUSBAccessLibrary&) = delete;
    CUSBAccessLibrary& operator=(const CUSBAccessLibrary&) = delete;

    // The device path of every USB printer the library reports, in its order; nothing
    // when the library is missing or lacks its entry point.
    std::vector<CString> DetectUSBDevices() const;

    // The name or path the library is loaded by; tests point it at a library of their own.
    static CString& LibraryName();

private:
    void* m_hLibrary = nullptr;
};
