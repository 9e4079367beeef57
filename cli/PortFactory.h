// The ports of printers added by hand, built from the command line's words and checked as
// the library checks them.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "PortWords.h"

class CPortBase;

// Each raises a CommandError (exit status 2) for a port it cannot make. A serial or parallel
// port (a short name such as ttyS0, or its device path under /dev/) or a USB device path that
// this machine does not list is made all the same, with a warning on warnings: the printer
// may be attached later.
std::unique_ptr<CPortBase> MakeNetworkPort(const std::string& address, int tcpPort);
std::unique_ptr<CPortBase> MakeSerialPort(const std::string& port, const SerialLine& line, std::ostream& warnings);
std::unique_ptr<CPortBase> MakeParallelPort(const std::string& port, std::ostream& warnings);
std::unique_ptr<CPortBase> MakeUSBPort(const std::string& devicePath, std::ostream& warnings);
