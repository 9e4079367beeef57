#include "ScopedUSBLibrary.h"

#include "CUSBAccessLibrary.h"

ScopedUSBLibrary::ScopedUSBLibrary(const CString& path) : m_old(CUSBAccessLibrary::LibraryName())
{
    CUSBAccessLibrary::LibraryName() = path;
}

ScopedUSBLibrary::~ScopedUSBLibrary()
{
    CUSBAccessLibrary::LibraryName() = m_old;
}
