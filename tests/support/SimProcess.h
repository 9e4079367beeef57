// Runs quarn-printer-sim for a test: starts it, waits until its printers listen, stops it,
// and reads back what each connection delivered.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
public:
    // One line of the simulator's record.
    struct Connection {
        std::string printer;
        std::string address;
        int port = 0;
        std::string peer;
        double openEpochMs = 0;
        double closeEpochMs = 0;
        double openMonotonicMs = 0;
        double closeMonotonicMs = 0;
        std::uint64_t bytes = 0;
        std::string sha256;
        std::string end;
    };

    // arguments are the simulator's own, e.g. {"--network", "p1@127.0.0.2:0,rate=100000"};
    // the record goes to a file of this object's.
    explicit SimProcess(std::vector<std::string> arguments);
    // Stops the simulator if it still runs.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Throws std::runtime_error unless every printer listens within 10 s.
    void Start();
    // SIGTERM, then a wait of at most 10 s (SIGKILL after that); the exit code, or -1 when the
    // simulator did not end by itself. Stopping a stopped simulator returns the same code.
    int Stop();

    // The port a printer listens on, as announced (a requested port 0 becomes the chosen one).
    int PortOf(const std::string& printer) const;
    std::string AddressOf(const std::string& printer) const;

    // Connections recorded so far; a connection appears once it has ended.
    std::vector<Connection> Records() const;
    // Waits until at least count connections are recorded, or the limit passes, and returns
    // the record then. A port's Close returns while the system still delivers the bytes it
    // took, so a slow printer's connection ends well after the sending side is done.
    std::vector<Connection> WaitForRecords(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    // The largest number of connections that were open at the same moment.
    static int MaxSimultaneous(const std::vector<Connection>& connections);

private:
    void ReadAnnouncements();

    std::vector<std::string> m_arguments;
    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    int m_output = -1;
    int m_exitCode = -1;
    std::map<std::string, std::pair<std::string, int>> m_endpoints;
};
