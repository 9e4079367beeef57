// How one simulated network printer listens and misbehaves, read from NAME@ADDR:PORT[,key=value...].
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "DiscoveryOptions.h"

struct NetworkPrinterOptions {
    std::string name;
    std::string address;
    int port = 0;                             // 0: the system picks one, announced on stdout
    std::optional<std::uint64_t> rate;        // bytes per second taken from each connection
    std::optional<std::uint64_t> stallAfter;  // bytes taken before the printer stops reading
    std::optional<std::uint64_t> resetAfter;  // bytes taken before the printer resets the connection
    std::optional<std::uint64_t> closeAfter;  // bytes taken before the printer closes its side
    // What the printer does when the client has sent everything and half-closed.
    enum class AtEnd { Close, Reset, KeepOpen };
    AtEnd atEnd = AtEnd::Close;
    std::optional<std::uint32_t> shortReads;  // largest piece taken by one receive
    std::optional<int> receiveBuffer;         // the system's receive buffer, like a printer's small input buffer
    DiscoveryOptions discovery;

    // Throws std::invalid_argument with a message fit for the command line.
    static NetworkPrinterOptions Parse(const std::string& text);
};
