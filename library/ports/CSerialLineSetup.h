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

    // Puts the line into raw mode with the settings; false when they have no form the
    // device accepts (a document may hold any value) or the device refuses them.
    bool ApplyTo(int fd) const;

    // Turns the line state the device reported into the one these settings ask for; false
    // when a setting has no termios form. Kept apart so the framing can be checked on
    // lines (such as pseudo-terminals) that ignore it.
    bool ShapeLine(termios2& line) const;

private:
    std::int32_t m_nBaudRate;
    std::int32_t m_nDataBits;
    std::int32_t m_nParity;
    std::int32_t m_nStopBits;
    std::int32_t m_nFlowControl;
};
