// The simulator's command line: where to record, and which printers to simulate.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FleetResponder.h"
#include "NetworkPrinterOptions.h"
#include "SerialPrinterOptions.h"

struct SimOptions {
    std::string recordPath;
    std::vector<NetworkPrinterOptions> networkPrinters;
    std::vector<SerialPrinterOptions> serialPrinters;
    std::vector<std::string> discoveryBroadcasts;  // addresses where broadcast requests are heard
    std::vector<FleetOptions> fleets;              // ranges of addresses that answer discovery
    int discoveryPort = 4201;
    std::uint32_t seed = 1;

    // Returns nothing when the program should end at once (help shown, or an error already
    // reported); exitCode then tells how.
    static std::optional<SimOptions> Parse(int argc, char** argv, int& exitCode);
};
