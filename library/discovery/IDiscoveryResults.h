// Where the discovery socket hands the answers it accepts.
#pragma once

#include <memory>

#include "DiscoveryPacket.h"

class IDiscoveryResults {
public:
    virtual ~IDiscoveryResults() = default;
    virtual void AppendResult(std::unique_ptr<DiscoveryResponsePacketF3> record) = 0;
};
