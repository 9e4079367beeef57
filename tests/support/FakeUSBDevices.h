// A folder of FIFOs standing in for usblp devices; the USB access library reports them
// instead of the machine's own for the lifetime of the object. Each FIFO opens for reading
// and writing, as a USB port opens its device.
#pragma once

#include <initializer_list>
#include <string>

#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

class FakeUSBDevices {
public:
    explicit FakeUSBDevices(std::initializer_list<std::string> names);

    std::string PathOf(const std::string& name) const;

private:
    TemporaryFolder m_folder;
    ScopedEnvironment m_deviceFolder;
};
