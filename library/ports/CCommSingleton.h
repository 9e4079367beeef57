// The machine's serial and parallel ports, listed once per process for the configuration dialog.
#pragma once

#include <functional>
#include <vector>

#include "CString.h"

class CCommSingleton {
public:
    // Tries a device path; 0 when it opens, otherwise the errno of the failure.
    using Probe = std::function<int(const CString& devicePath)>;

    struct PortLists {
        std::vector<CString> serial;    // short names (ttyS0, ttyUSB0, ttyACM0) in natural order
        std::vector<CString> parallel;  // short names (lp0) in natural order
    };

    // The process-wide lists, found under /dev and /sys/class/tty on the first call.
    static CCommSingleton& Instance();

    const std::vector<CString>& SerialPorts() const { return m_listSerial; }
    const std::vector<CString>& ParallelPorts() const { return m_listParallel; }

    // Lists the ports of a device folder: serial ttys that have a driver in the sysfs tty
    // class folder, and lp devices; each must pass the probe or be held by another program.
    static PortLists Enumerate(const CString& devDir, const CString& sysClassTty, const Probe& probe = OpenProbe);

    // Opens and at once closes the device without waiting for a carrier.
    static int OpenProbe(const CString& devicePath);

    CCommSingleton(const CCommSingleton&) = delete;
    CCommSingleton& operator=(const CCommSingleton&) = delete;

private:
    CCommSingleton();

    std::vector<CString> m_listSerial;
    std::vector<CString> m_listParallel;
};
