// The two packets of network printer discovery and the filter for incoming datagrams.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>

#include "CString.h"

inline constexpr int DISCOVERY_PORT = 4201;

// The 6-byte request broadcast to every printer.
inline constexpr std::array<std::uint8_t, 6> kDiscoveryRequest = {0x2E, 0x2C, 0x3A, 0x01, 0x00, 0x00};

// One printer's answer, kept as a fixed 432-byte record. Only the bytes of the received
// datagram are data; the rest of the record stays zero and is never read as text.
struct DiscoveryResponsePacketF3 {
    static constexpr std::size_t kSize = 432;
    static constexpr std::size_t kAddressOffset = 72;
    static constexpr std::size_t kNameOffset = 84;

    std::array<std::uint8_t, kSize> bytes{};
    std::size_t length = 0;  // bytes taken from the datagram, at most kSize

    // The printer's IPv4 address in dotted form (the byte at offset 72 first).
    CString Address() const;
    // The printer's name: from offset 84 up to its zero byte, the end of the datagram or
    // the end of the record, whichever comes first.
    CString Name() const;
};

// Accepts a datagram as a printer's answer, or drops it: one sent from this computer (any
// of ownAddresses) or from 0.0.0.0, one without the response signature, and one too short
// to hold the printer's address. A longer datagram is cut to the record's size.
std::optional<DiscoveryResponsePacketF3> AcceptDiscoveryAnswer(const std::uint8_t* data, std::size_t length,
                                                              const CString& sender,
                                                              const std::set<CString>& ownAddresses);
