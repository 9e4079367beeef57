// The word given to quarnctl add --network: an address, a host name, either with :PORT.
#pragma once

#include <optional>
#include <string>

struct NetworkAddress {
    std::string address;         // dotted IPv4 address, as the document stores it
    std::optional<int> tcpPort;  // when the word ended in :PORT
    bool resolved = false;       // the word named a host, resolved to address
};

// Raises a CommandError for a port out of range or a host this machine cannot resolve to an
// IPv4 address. Printers are matched by address (detection answers with addresses), so a
// host name is resolved once, here, and only its address is kept.
NetworkAddress ParseNetworkAddress(const std::string& word);
