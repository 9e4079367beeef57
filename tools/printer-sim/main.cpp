// quarn-printer-sim: simulated printers for tests, demos and benchmarks.
#include <sys/resource.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "DiscoveryListener.h"
#include "EventLoop.h"
#include "FleetResponder.h"
#include "NetworkPrinter.h"
#include "RecordLog.h"
#include "SerialPrinter.h"
#include "SimOptions.h"

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<SimOptions> options = SimOptions::Parse(argc, argv, exitCode);
    if (!options) return exitCode;
    // A site of thousands of printers takes a descriptor or two each.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    try {
        EventLoop loop;
        RecordLog log(options->recordPath);
        std::vector<std::unique_ptr<NetworkPrinter>> printers;
        std::vector<std::unique_ptr<SerialPrinter>> serialPrinters;
        std::vector<std::unique_ptr<DiscoveryListener>> listeners;
        std::uint32_t seed = options->seed;
        for (const NetworkPrinterOptions& printer : options->networkPrinters) {
            printers.push_back(std::make_unique<NetworkPrinter>(loop, log, printer, seed));
            // Far apart, so that the connections of different printers draw different pieces.
            seed += 0x10000;
        }
        for (const SerialPrinterOptions& printer : options->serialPrinters)
            serialPrinters.push_back(std::make_unique<SerialPrinter>(loop, log, printer));
        loop.OnUserSignal([&serialPrinters] {
            for (const auto& printer : serialPrinters) printer->ReleaseLine();
        });
        std::vector<std::unique_ptr<FleetResponder>> fleets;
        for (const FleetOptions& fleet : options->fleets) fleets.push_back(std::make_unique<FleetResponder>(loop, log, fleet, seed++));
        std::vector<DiscoveryHearer*> responders;
        for (const auto& printer : printers)
            if (printer->Discovery()) responders.push_back(printer->Discovery());
        for (const auto& fleet : fleets) responders.push_back(fleet.get());
        for (const std::string& address : options->discoveryBroadcasts)
            listeners.push_back(std::make_unique<DiscoveryListener>(loop, address, options->discoveryPort, responders));

        for (const auto& printer : printers) {
            const NetworkPrinterOptions& listening = printer->Options();
            std::printf("listening %s %s:%d\n", listening.name.c_str(), listening.address.c_str(), listening.port);
            if (printer->Discovery())
                std::printf("discovery %s %s:%d\n", listening.name.c_str(), listening.address.c_str(), options->discoveryPort);
        }
        for (const auto& printer : serialPrinters)
            std::printf("serial %s %s %s\n", printer->Options().name.c_str(), printer->Options().link.c_str(),
                        printer->DevicePath().c_str());
        for (const std::string& address : options->discoveryBroadcasts)
            std::printf("broadcast %s:%d\n", address.c_str(), options->discoveryPort);
        for (const FleetOptions& fleet : options->fleets)
            std::printf("fleet %u.%u.%u.%u %u\n", fleet.first >> 24, (fleet.first >> 16) & 0xFF, (fleet.first >> 8) & 0xFF,
                        fleet.first & 0xFF, fleet.count);
        std::printf("ready\n");
        std::fflush(stdout);
        loop.Run();
        // Connections and sessions still open are recorded as stopped when their printers go;
        // the listeners go first, as they hand requests to the printers.
        listeners.clear();
        fleets.clear();
        serialPrinters.clear();
        printers.clear();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quarn-printer-sim: %s\n", error.what());
        return 1;
    }
    return 0;
}
