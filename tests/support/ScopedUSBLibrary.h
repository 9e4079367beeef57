// Points USB detection at a given access library for the lifetime of the object (by default
// the one this build made), then restores the name it had.
#pragma once

#include "CString.h"

class ScopedUSBLibrary {
public:
    explicit ScopedUSBLibrary(const CString& path = QUARN_USB_LIBRARY_PATH);
    ~ScopedUSBLibrary();
    ScopedUSBLibrary(const ScopedUSBLibrary&) = delete;
    ScopedUSBLibrary& operator=(const ScopedUSBLibrary&) = delete;

private:
    CString m_old;
};
