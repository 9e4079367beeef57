// Applies a serial port's stored line settings to an open terminal device.
#pragma once

#include <cstdint>

struct termios2;

class CSerialLineSetup {
public:
    CSerialLineSetup(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                     std::int32_t flowControl)
        : m_nBaudRate(baud), m_nDataBits(dataBits), m_nParity(parity), m_nStopBits(stopBits),
          m_nFlowControl(flowControl)
    {
    }

    // Puts the line into raw mode with the settings; 0, or the printer error code that names
    // the first setting without a form the device accepts (a document may hold any value),
    // or errInvalidParameter when the device refuses them.
    int ApplyTo(int fd) const;

    // Turns the line state the device reported into the one these settings ask for; 0, or
    // the code naming the first setting without a termios form. Kept apart so the framing
    // can be checked on lines (such as pseudo-terminals) that ignore it.
    int ShapeLine(termios2& line) const;

private:
    std::int32_t m_nBaudRate;
    std::int32_t m_nDataBits;
    std::int32_t m_nParity;
    std::int32_t m_nStopBits;
    std::int32_t m_nFlowControl;
};
