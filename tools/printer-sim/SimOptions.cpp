#include "SimOptions.h"

#include <CLI/CLI.hpp>

namespace {

constexpr const char* kDescription =
    "Simulated label printers for tests, demos and benchmarks.\n"
    "Prints one line per printer, \"listening NAME ADDRESS:PORT\", then \"ready\" once every\n"
    "printer listens, and runs until SIGTERM or SIGINT, when it closes every connection,\n"
    "completes the record and exits with 0.\n"
    "\n"
    "The record holds one JSON object per line for every connection when it ends: printer,\n"
    "address, port, peer, open_epoch_ms, close_epoch_ms, open_monotonic_ms,\n"
    "close_monotonic_ms (milliseconds with microsecond fractions; the monotonic times of\n"
    "one run can be compared to find overlapping connections), bytes, sha256 (of the bytes\n"
    "received) and end: \"closed by client\", \"reset by client\", \"reset by simulator\",\n"
    "\"stopped by simulator\" or \"error: ...\".";

constexpr const char* kNetworkHelp =
    "A TCP printer, NAME@ADDRESS:PORT[,rate=BPS][,stall=N][,reset=N][,short=K][,rcvbuf=B].\n"
    "ADDRESS is a dotted IPv4 address (127.0.0.2 to 127.0.0.254 need no set-up on the\n"
    "loopback); PORT 0 lets the system choose. Each connection is taken on its own:\n"
    "rate=BPS takes at most BPS bytes per second; stall=N stops reading after N bytes and\n"
    "keeps the connection open until the client closes it or the simulator ends; reset=N\n"
    "resets the connection (RST) once N bytes have arrived; short=K takes the bytes in\n"
    "random pieces of 1 to K bytes; rcvbuf=B fixes the system's receive buffer (which it\n"
    "doubles) instead of letting it grow, so that a slow or stalled printer holds back its\n"
    "sender soon, as a real one does. May be given many times.";

}  // namespace

std::optional<SimOptions> SimOptions::Parse(int argc, char** argv, int& exitCode)
{
    SimOptions options;
    std::vector<std::string> network;
    CLI::App app(kDescription, "quarn-printer-sim");
    app.get_formatter()->column_width(32);
    app.add_option("--record", options.recordPath, "File to write the connection record to (replaced if it exists)")->type_name("FILE");
    app.add_option("--network", network, kNetworkHelp)->type_name("SPEC")->take_all();
    app.add_option("--seed", options.seed, "Seed of the random piece sizes of short reads")->capture_default_str();
    try {
        app.parse(argc, argv);
        for (const std::string& text : network) options.networkPrinters.push_back(NetworkPrinterOptions::Parse(text));
        if (options.networkPrinters.empty()) throw CLI::ValidationError("no printer to simulate: give --network at least once");
    } catch (const CLI::ParseError& error) {
        exitCode = app.exit(error);
        return std::nullopt;
    } catch (const std::invalid_argument& error) {
        exitCode = app.exit(CLI::ValidationError(error.what()));
        return std::nullopt;
    }
    return options;
}
