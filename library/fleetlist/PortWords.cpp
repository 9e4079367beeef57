#include "PortWords.h"

#include <arpa/inet.h>
#include <map>

#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "CUSBPort.h"

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
        throw PortWordError("'" + port + "' is not a " + kind + " port: give its name, such as " + example +
                            ", or its device path under " + prefix + ".");
    return port;
}

}  // namespace

std::unique_ptr<CNetworkPort> NetworkPortFromWords(const std::string& address, int tcpPort)
{
    in_addr parsed{};
    if (inet_pton(AF_INET, address.c_str(), &parsed) != 1)
        throw PortWordError("'" + address + "' is not a network address such as 192.168.1.20.");
    if (tcpPort < 1 || tcpPort > 65535)
        throw PortWordError("the TCP port must be between 1 and 65535; " + std::to_string(tcpPort) + " was given.");
    auto port = std::make_unique<CNetworkPort>();
    port->SetPortName(address);
    port->m_nTcpPort = tcpPort;
    return port;
}

std::unique_ptr<CSerialPort> SerialPortFromWords(const std::string& name, const SerialLine& line)
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
        throw PortWordError(e->Message());
    }
    return port;
}

std::unique_ptr<CParallelPort> ParallelPortFromWords(const std::string& name)
{
    auto port = std::make_unique<CParallelPort>();
    port->SetPortName(PortNameOf(name, "parallel", "lp0"));
    return port;
}

std::unique_ptr<CUSBPort> USBPortFromWords(const std::string& devicePath)
{
    if (devicePath.empty()) throw PortWordError("A USB printer needs the device path its driver gives it.");
    auto port = std::make_unique<CUSBPort>();
    port->SetPortName(devicePath);
    return port;
}
