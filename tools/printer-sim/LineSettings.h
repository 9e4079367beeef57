// The line settings a serial printer's host has put on the pseudo-terminal, as the record shows them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct LineSettings {
    std::uint32_t baud = 0;
    int dataBits = 8;
    std::string parity;  // "none", "odd", "even", "mark" or "space"
    int stopBits = 1;
    std::string flow;    // "software", "hardware", "both" or "none"

    // Read through the controlling side, which sees the device side's settings; nothing when
    // the system will not tell. Pseudo-terminals always report 8 data bits and no parity,
    // whatever the host asked for.
    static std::optional<LineSettings> Read(int fd);
};
