// quarn-printer-sim: simulated printers for tests, demos and benchmarks.
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "EventLoop.h"
#include "NetworkPrinter.h"
#include "RecordLog.h"
#include "SimOptions.h"

int main(int argc, char** argv)
{
    int exitCode = 0;
    const std::optional<SimOptions> options = SimOptions::Parse(argc, argv, exitCode);
    if (!options) return exitCode;
    try {
        EventLoop loop;
        RecordLog log(options->recordPath);
        std::vector<std::unique_ptr<NetworkPrinter>> printers;
        std::uint32_t seed = options->seed;
        for (const NetworkPrinterOptions& printer : options->networkPrinters) {
            printers.push_back(std::make_unique<NetworkPrinter>(loop, log, printer, seed));
            // Far apart, so that the connections of different printers draw different pieces.
            seed += 0x10000;
        }
        for (const auto& printer : printers) {
            const NetworkPrinterOptions& listening = printer->Options();
            std::printf("listening %s %s:%d\n", listening.name.c_str(), listening.address.c_str(), listening.port);
        }
        std::printf("ready\n");
        std::fflush(stdout);
        loop.Run();
        // Connections still open are recorded as stopped when their printers go.
        printers.clear();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quarn-printer-sim: %s\n", error.what());
        return 1;
    }
    return 0;
}
