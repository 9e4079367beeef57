// Ports built from the words an operator types or a fleet list holds, checked as the library
// checks them, so that every front end refuses the same things with the same words.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

class CNetworkPort;
class CParallelPort;
class CSerialPort;
class CUSBPort;

struct SerialLine {
    int baud = 9600;
    int dataBits = 8;
    std::string parity = "none";    // none, odd or even
    int stopBits = 1;               // 1 or 2
    std::string flow = "hardware";  // xonxoff or hardware
};

// What is wrong with a word, in a sentence for the operator.
class PortWordError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Each raises PortWordError for a port it cannot make. A serial or parallel port is given
// by its name (ttyS0, lp0) or its device path under /dev/.
std::unique_ptr<CNetworkPort> NetworkPortFromWords(const std::string& address, int tcpPort);
std::unique_ptr<CSerialPort> SerialPortFromWords(const std::string& port, const SerialLine& line);
std::unique_ptr<CParallelPort> ParallelPortFromWords(const std::string& port);
std::unique_ptr<CUSBPort> USBPortFromWords(const std::string& devicePath);
