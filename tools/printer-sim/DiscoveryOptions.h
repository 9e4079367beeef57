// How a simulated network printer answers discovery requests, and the ways it can get them wrong.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct DiscoveryOptions {
    bool enabled = false;
    std::string name;                                  // the name in the answer; the printer's own when empty
    std::array<std::uint8_t, 3> signature{0x3A, 0x2C, 0x2E};
    std::size_t size = 432;                            // datagram length: the record cut or padded with zeros
    bool unterminated = false;                         // the name repeated to the end of the datagram, no zero byte
    unsigned repeat = 1;                               // answers sent for each request
    std::uint64_t delayMs = 0;                         // wait before answering
    int port = 4201;                                   // where requests are heard, for every printer

    // The 6 bytes a host sends to find printers; only these are answered.
    static constexpr std::string_view kRequest{"\x2E\x2C\x3A\x01\x00\x00", 6};

    // The datagram a printer at this IPv4 address (network order) answers with.
    std::string Answer(std::uint32_t address) const;

    // Takes one discovery item of a printer description; false when the key is not one of ours.
    bool Take(const std::string& key, const std::string& value);
};
