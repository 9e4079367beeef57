// A pseudo-terminal for tests: the library opens the device path as a printer's port while
// the test plays the printer on the controlling side.
#pragma once

#include <chrono>
#include <string>

class PseudoTerminal {
public:
    // Opens a raw pseudo-terminal whose device reads return at once when nothing is waiting
    // for up to readWaitDeciseconds tenths of a second.
    explicit PseudoTerminal(unsigned char readWaitDeciseconds = 1);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The path a port opens, e.g. /dev/pts/3.
    const std::string& DevicePath() const { return m_devicePath; }

    // What the printer sends to the port.
    void Send(const std::string& bytes);
    // Everything the port has sent so far, waiting until at least expected bytes have
    // arrived or the time is up.
    std::string Received(std::size_t expected, std::chrono::milliseconds wait = std::chrono::seconds(5));

private:
    int m_master = -1;
    std::string m_devicePath;
};
