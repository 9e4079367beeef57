#include "SimOptions.h"

#include <CLI/CLI.hpp>
#include <set>

#include "ProgramInfoOptions.h"

namespace {

constexpr const char* kDescription =
    "Simulated label printers for tests, demos and benchmarks.\n"
    "Prints one line per printer, \"listening NAME ADDRESS:PORT\", \"discovery NAME\n"
    "ADDRESS:PORT\" for each discovery responder, \"serial NAME LINK DEVICE\" for each serial\n"
    "printer, \"broadcast ADDRESS:PORT\" for each broadcast listener and \"fleet FIRST COUNT\"\n"
    "for each fleet, then \"ready\" once every printer can be reached, and runs until SIGTERM\n"
    "or SIGINT, when it closes every connection, completes the record and exits with 0.\n"
    "\n"
    "The record holds one JSON object per line; \"kind\" tells which:\n"
    "\"network\": a connection when it ends: printer, address, port, peer, open_epoch_ms,\n"
    "close_epoch_ms, open_monotonic_ms, close_monotonic_ms (milliseconds with microsecond\n"
    "fractions; the monotonic times of one run can be compared to find overlapping\n"
    "connections), bytes, sha256 (of the bytes received) and end: \"closed by client\",\n"
    "\"reset by client\", \"reset by simulator\", \"closed by simulator\", \"kept open by\n"
    "simulator\" (recorded when the client's end arrived), \"stopped by simulator\" or \"error: ...\".\n"
    "\"serial\": a session, from the host's opening of the device to its closing (or the\n"
    "simulator's end): printer, link, device, the four times, bytes, sha256, start_hex (the\n"
    "first 4096 bytes), line (baud, data_bits, parity, stop_bits, flow, as the host had set\n"
    "the device when the first bytes came; a pseudo-terminal always shows 8 data bits and no\n"
    "parity), questions (asked, answered, after_bytes), flow_control (sent \"xoff\" or\n"
    "\"xon\", after_bytes, monotonic_ms) and end: \"closed by host\", \"stopped by\n"
    "simulator\" or \"error: ...\". A host that closes and opens again faster than the\n"
    "simulator looks (20 ms) may find both sessions in one line.\n"
    "\"discovery request\": every datagram a responder heard: printer, via (where it arrived),\n"
    "from, bytes, start_hex (the first 64 bytes), answered, epoch_ms, monotonic_ms.\n"
    "\"discovery answer\": every answer sent: printer, from, to, bytes, sha256, result (\"sent\"\n"
    "or \"error: ...\"), epoch_ms, monotonic_ms.\n"
    "\"discovery fleet\": a request a fleet answered, once all its answers are out: to,\n"
    "printers, sent, first_error, epoch_ms, monotonic_ms.";

constexpr const char* kNetworkHelp =
    "A TCP printer, NAME@ADDRESS:PORT[,rate=BPS][,stall=N][,reset=N][,close=N]\n"
    "[,atend=close|reset|open][,short=K][,rcvbuf=B][,discovery...]. ADDRESS is a dotted IPv4\n"
    "address (127.0.0.2 to 127.0.0.254 need no set-up on the loopback); PORT 0 lets the\n"
    "system choose. Each connection is taken on its own:\n"
    "rate=BPS takes at most BPS bytes per second; stall=N stops reading after N bytes and\n"
    "keeps the connection open until the client closes it or the simulator ends; reset=N\n"
    "resets the connection (RST) once N bytes have arrived; close=N closes the printer's side\n"
    "once N bytes have arrived (close=0: accepts and closes at once); atend= says what the\n"
    "printer does when the client has sent everything and closed its side: close (the\n"
    "default) closes too, reset resets the connection, open keeps it open until the\n"
    "simulator ends; short=K takes the bytes in random pieces of 1 to K bytes; rcvbuf=B fixes the system's receive buffer (which it\n"
    "doubles) instead of letting it grow, so that a slow or stalled printer holds back its\n"
    "sender soon, as a real one does.\n"
    "Discovery: the flag discovery, or any discovery-... option, makes the printer answer the\n"
    "request 2E 2C 3A 01 00 00 arriving at ADDRESS on the discovery port (or at a --discovery-\n"
    "broadcast address) with a 432-byte record, sent to the requester alone: 3A 2C 2E, its\n"
    "address at offset 72, its name from offset 84 ended by a zero byte. Other datagrams are\n"
    "recorded, not answered. discovery-name=TEXT names it otherwise; discovery-signature=HEX\n"
    "puts 3 other bytes (6 hex digits) first; discovery-size=N sends N bytes (the record cut,\n"
    "or padded with zeros); discovery-unterminated repeats the name from offset 84 to the end\n"
    "with no zero byte; discovery-repeat=N answers N times; discovery-delay-ms=M answers after\n"
    "M ms. May be given many times.";

constexpr const char* kSerialHelp =
    "A serial printer on a pseudo-terminal, NAME@LINK[,option...]: LINK becomes a symbolic\n"
    "link to the device (a stale link is replaced; removed at the end). The printer takes any\n"
    "line settings and answers the questions it finds in what it receives: \\nURS\\n with\n"
    "serial=TEXT (XJ42) and CR LF; \\nURLi\\n and \\nURLm\\n with odometer=TEXT and\n"
    "odometer-metric=TEXT; \\nURHi\\n and \\nURHm\\n with head=TEXT and head-metric=TEXT;\n"
    "\\nUQ\\n with config=TEXT. TEXT is written with %XX for any byte (%2C comma, %0D%0A CR\n"
    "LF, %25 percent). silent answers nothing; unanswered=N leaves the first N questions\n"
    "without an answer. xoff-after=N sends Xoff (13) once a session has brought N bytes, and\n"
    "xon-after-ms=M sends Xon (11) M ms later; without it the line is held until the host\n"
    "closes the device or the simulator gets SIGUSR1, which lets every held line go. A line\n"
    "still held when the host closes the device is let go at once. May be given many times.";

constexpr int kExitUsage = 2;

ProgramInfo SimInfo()
{
    ProgramInfo info;
    info.summary = "simulated label printers for tests, demos and benchmarks";
    info.exitStatus =
        "0 stopped by SIGTERM or SIGINT, with the record complete; 1 a printer could not be set up (an address "
        "that cannot be listened on, a link that cannot be made); 2 wrong arguments.";
    info.sections = {{"Examples",
                      "quarn-printer-sim --record record.jsonl --network Printer#1@127.0.0.2:9100,rate=1500000\n"
                      "One network printer on 127.0.0.2 taking 1.5 MB/s; quarnctl add doc.qps --network 127.0.0.2 "
                      "adds it to a document."}};
    info.seeAlso = {"quarnctl(1)", "QuarnDownloader(1)"};
    return info;
}

}  // namespace

std::optional<SimOptions> SimOptions::Parse(int argc, char** argv, int& exitCode)
{
    SimOptions options;
    std::vector<std::string> network;
    std::vector<std::string> serial;
    CLI::App app(kDescription, "quarn-printer-sim");
    app.get_formatter()->column_width(32);
    AddProgramInfoOptions(app, SimInfo());
    app.add_option("--record", options.recordPath, "File to write the record to (replaced if it exists)")->type_name("FILE");
    app.add_option("--network", network, kNetworkHelp)->type_name("SPEC")->take_all();
    app.add_option("--serial", serial, kSerialHelp)->type_name("SPEC")->take_all();
    app.add_option("--discovery-port", options.discoveryPort, "UDP port where discovery requests are heard")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    app.add_option("--discovery-broadcast", options.discoveryBroadcasts,
                   "Also hear discovery requests broadcast to ADDRESS (255.255.255.255 or a subnet's broadcast\n"
                   "address) and answer them from every discovery printer. Only inside a network namespace\n"
                   "of the test's own: on a real network it would answer other people's searches.")
        ->type_name("ADDRESS")
        ->check(CLI::ValidIPV4)
        ->take_all();
    std::vector<std::string> fleets;
    app.add_option("--discovery-fleet", fleets,
                   "FIRST,COUNT[,jitter-ms=MS]: COUNT printers on the addresses from FIRST on, named Fleet#1,\n"
                   "Fleet#2, ..., that answer every request heard at a --discovery-broadcast address, each\n"
                   "from its own address (which must be this host's: a local route can take a whole range),\n"
                   "back to back or each after a random 0 to MS ms. They answer discovery only; a --network\n"
                   "printer on 0.0.0.0 takes connections to all of them. One record line per request.")
        ->type_name("SPEC")
        ->take_all();
    app.add_option("--seed", options.seed, "Seed of the random piece sizes of short reads")->capture_default_str();
    try {
        app.parse(argc, argv);
        for (const std::string& text : network) {
            options.networkPrinters.push_back(NetworkPrinterOptions::Parse(text));
            options.networkPrinters.back().discovery.port = options.discoveryPort;
        }
        // Two sockets on one address and port would split the requests between them.
        std::set<std::string> answering;
        for (const NetworkPrinterOptions& printer : options.networkPrinters)
            if (printer.discovery.enabled && !answering.insert(printer.address).second)
                throw CLI::ValidationError("two printers answer discovery at " + printer.address);
        for (const std::string& text : serial) options.serialPrinters.push_back(SerialPrinterOptions::Parse(text));
        for (const std::string& text : fleets) options.fleets.push_back(FleetOptions::Parse(text));
        if (options.networkPrinters.empty() && options.serialPrinters.empty() && options.fleets.empty())
            throw CLI::ValidationError("no printer to simulate: give --network or --serial at least once");
    } catch (const CLI::ParseError& error) {
        exitCode = app.exit(error) == 0 ? 0 : kExitUsage;
        return std::nullopt;
    } catch (const std::invalid_argument& error) {
        app.exit(CLI::ValidationError(error.what()));
        exitCode = kExitUsage;
        return std::nullopt;
    }
    return options;
}
