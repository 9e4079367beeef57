// Whatever a broadcast listener hands the discovery datagrams it hears to.
#pragma once

#include <netinet/in.h>

#include <string>
#include <string_view>

class DiscoveryHearer {
public:
    virtual ~DiscoveryHearer() = default;
    // A datagram that arrived from `from`; via names where it arrived.
    virtual void Heard(std::string_view datagram, const sockaddr_in& from, const std::string& via) = 0;
};
