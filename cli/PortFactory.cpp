#include "PortFactory.h"

#include <algorithm>
#include <vector>

#include "CCommSingleton.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CSerialPort.h"
#include "CUSBAccessLibrary.h"
#include "CUSBPort.h"
#include "CommandError.h"

namespace {

void WarnUnlisted(const CString& port, const std::vector<CString>& listed, const std::string& what,
                  std::ostream& warnings)
{
    if (std::find(listed.begin(), listed.end(), port) != listed.end()) return;
    std::string known;
    for (const CString& name : listed) known += (known.empty() ? "" : ", ") + name;
    warnings << "quarnctl: warning: " << port << " is not among the " << what << " this machine lists ("
             << (known.empty() ? "none" : known) << "); the printer is added all the same.\n";
}

template <typename Make>
auto Checked(Make make)
{
    try {
        return make();
    } catch (const PortWordError& e) {
        throw CommandError(e.what());
    }
}

}  // namespace

std::unique_ptr<CPortBase> MakeNetworkPort(const std::string& address, int tcpPort)
{
    return Checked([&] { return NetworkPortFromWords(address, tcpPort); });
}

std::unique_ptr<CPortBase> MakeSerialPort(const std::string& name, const SerialLine& line, std::ostream& warnings)
{
    auto port = Checked([&] { return SerialPortFromWords(name, line); });
    WarnUnlisted(port->PortName(), CCommSingleton::Instance().SerialPorts(), "serial ports", warnings);
    return port;
}

std::unique_ptr<CPortBase> MakeParallelPort(const std::string& name, std::ostream& warnings)
{
    auto port = Checked([&] { return ParallelPortFromWords(name); });
    WarnUnlisted(port->PortName(), CCommSingleton::Instance().ParallelPorts(), "parallel ports", warnings);
    return port;
}

std::unique_ptr<CPortBase> MakeUSBPort(const std::string& devicePath, std::ostream& warnings)
{
    auto port = Checked([&] { return USBPortFromWords(devicePath); });
    WarnUnlisted(port->PortName(), CUSBAccessLibrary().DetectUSBDevices(), "USB printers", warnings);
    return port;
}
