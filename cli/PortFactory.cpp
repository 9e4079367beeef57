#include "PortFactory.h"

#include <algorithm>
#include <arpa/inet.h>
#include <map>
#include <sys/stat.h>
#include <vector>

#include "CCommSingleton.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "CUSBAccessLibrary.h"
#include "CUSBPort.h"
#include "CommandError.h"

namespace {

// A word the library has no code for gets one it refuses, so that its own message names
// the setting.
constexpr std::int32_t kRefused = -1;

std::int32_t Code(const std::map<std::string, std::int32_t>& codes, const std::string& word)
{
    const auto it = codes.find(word);
    return it == codes.end() ? kRefused : it->second;
}

// The library opens "/dev/" + the port name, so a device path under /dev/ is its name
// after that prefix (a pseudo-terminal's "/dev/pts/5" becomes "pts/5").
CString PortNameOf(const std::string& port, const std::string& kind, const std::string& example)
{
    const std::string prefix = kDevicePrefix;
    if (port.compare(0, prefix.size(), prefix) == 0 && port.size() > prefix.size()) return port.substr(prefix.size());
    if (port.empty() || port.front() == '/')
        throw CommandError("'" + port + "' is not a " + kind + " port: give its name, such as " + example +
                           ", or its device path under " + prefix + ".");
    return port;
}

// A port that does not exist yet may be plugged in later; one that exists as anything but a
// character device never becomes a printer.
void RefuseNonDevice(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISCHR(status.st_mode))
        throw CommandError("'" + path + "' is not a printer device (a character device); a printer's port must be one.");
}

void WarnUnlisted(const CString& port, const std::vector<CString>& listed, const std::string& what,
                  std::ostream& warnings)
{
    if (std::find(listed.begin(), listed.end(), port) != listed.end()) return;
    std::string known;
    for (const CString& name : listed) known += (known.empty() ? "" : ", ") + name;
    warnings << "quarnctl: warning: " << port << " is not among the " << what << " this machine lists ("
             << (known.empty() ? "none" : known) << "); the printer is added all the same.\n";
}

}  // namespace

std::unique_ptr<CPortBase> MakeNetworkPort(const std::string& address, int tcpPort)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
        throw CommandError("'" + address + "' is not a network address such as 192.168.1.20.");
    auto port = std::make_unique<CNetworkPort>();
    port->SetPortName(address);
    port->m_nTcpPort = tcpPort;
    return port;
}

std::unique_ptr<CPortBase> MakeSerialPort(const std::string& name, const SerialLine& line, std::ostream& warnings)
{
    auto port = std::make_unique<CSerialPort>();
    port->SetPortName(PortNameOf(name, "serial", "ttyS0"));
    try {
        port->SetLineSettings(line.baud, line.dataBits,
                              Code({{"none", CSerialPort::NOPARITY},
                                    {"odd", CSerialPort::ODDPARITY},
                                    {"even", CSerialPort::EVENPARITY}},
                                   line.parity),
                              Code({{"1", CSerialPort::ONESTOPBIT}, {"2", CSerialPort::TWOSTOPBITS}},
                                   std::to_string(line.stopBits)),
                              Code({{"xonxoff", CSerialPort::FLOW_XONXOFF}, {"hardware", CSerialPort::FLOW_HARDWARE}},
                                   line.flow));
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<CQuarnPrinterException> error(e);
        throw CommandError(e->Message());
    }
    RefuseNonDevice(port->m_strDevice);
    WarnUnlisted(port->PortName(), CCommSingleton::Instance().SerialPorts(), "serial ports", warnings);
    return port;
}

std::unique_ptr<CPortBase> MakeParallelPort(const std::string& name, std::ostream& warnings)
{
    auto port = std::make_unique<CParallelPort>();
    port->SetPortName(PortNameOf(name, "parallel", "lp0"));
    RefuseNonDevice(port->m_strDevice);
    WarnUnlisted(port->PortName(), CCommSingleton::Instance().ParallelPorts(), "parallel ports", warnings);
    return port;
}

std::unique_ptr<CPortBase> MakeUSBPort(const std::string& devicePath, std::ostream& warnings)
{
    if (devicePath.empty()) throw CommandError("A USB printer needs the device path its driver gives it.");
    auto port = std::make_unique<CUSBPort>();
    port->SetPortName(devicePath);
    RefuseNonDevice(devicePath);
    WarnUnlisted(port->PortName(), CUSBAccessLibrary().DetectUSBDevices(), "USB printers", warnings);
    return port;
}
