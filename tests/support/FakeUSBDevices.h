// A folder of links to raw pseudo-terminals standing in for usblp devices: character
// devices, as a USB port requires, reached through a link, as /dev/usb/... names often are.
// The USB access library reports them instead of the machine's own for the lifetime of the
// object; the test plays each printer on the terminal's controlling side.
#pragma once

#include <initializer_list>
#include <map>
#include <string>

#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

class FakeUSBDevices {
public:
    explicit FakeUSBDevices(std::initializer_list<std::string> names = {});
    ~FakeUSBDevices();
    FakeUSBDevices(const FakeUSBDevices&) = delete;
    FakeUSBDevices& operator=(const FakeUSBDevices&) = delete;

    void Add(const std::string& name);
    // The path the USB library reports and the port opens.
    std::string PathOf(const std::string& name) const;
    // The printer's side: reads give what the port wrote, writes what the port reads. Never
    // blocks.
    int PrinterSideOf(const std::string& name) const;

private:
    TemporaryFolder m_folder;
    ScopedEnvironment m_deviceFolder;
    std::map<std::string, int> m_printerSides;
};
