// Runs quarn-printer-sim for a test: starts it, waits until its printers can be reached, stops
// it, and reads back what each connection, serial session and discovery responder recorded.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
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

    // One session of a serial printer: from the host's opening of the device to its closing.
    struct SerialSession {
        struct Question {
            std::string asked;  // "URS", "URLi", "URLm", "URHi", "URHm" or "UQ"
            bool answered = false;
            std::uint64_t afterBytes = 0;
        };
        struct FlowControl {
            std::string sent;  // "xoff" or "xon"
            std::uint64_t afterBytes = 0;
            double monotonicMs = 0;
        };
        struct Line {
            std::uint32_t baud = 0;
            int dataBits = 0;
            std::string parity;
            int stopBits = 0;
            std::string flow;
        };
        std::string printer;
        std::string link;
        std::string device;
        double openMonotonicMs = 0;
        double closeMonotonicMs = 0;
        std::uint64_t bytes = 0;
        std::string sha256;
        std::string start;  // the first bytes received, up to 4096
        std::optional<Line> line;
        std::vector<Question> questions;
        std::vector<FlowControl> flowControl;
        std::string end;
    };

    // A discovery request a responder heard, or an answer it sent.
    struct DiscoveryEvent {
        bool answer = false;
        std::string printer;
        std::string via;   // requests: where it arrived
        std::string from;
        std::string to;    // answers
        std::uint64_t bytes = 0;
        std::string start;  // requests: the first 64 bytes
        bool answered = false;
        std::string sha256;  // answers
        std::string result;  // answers: "sent" or "error: ..."
        double monotonicMs = 0;
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

    // SIGUSR1 lets every held serial line go.
    void ReleaseHeldLines() const;

    // The port a printer listens on, as announced (a requested port 0 becomes the chosen one).
    int PortOf(const std::string& printer) const;
    std::string AddressOf(const std::string& printer) const;
    // The pseudo-terminal device of a serial printer, e.g. /dev/pts/4.
    std::string DeviceOf(const std::string& printer) const;

    // Connections recorded so far; a connection appears once it has ended.
    std::vector<Connection> Records() const;
    // Waits until at least count connections are recorded, or the limit passes, and returns
    // the record then. A port's Close returns while the system still delivers the bytes it
    // took, so a slow printer's connection ends well after the sending side is done.
    std::vector<Connection> WaitForRecords(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    std::vector<SerialSession> SerialSessions() const;
    // Waits until at least count sessions are recorded; a session is recorded once the
    // simulator has seen the host close the device.
    std::vector<SerialSession> WaitForSerialSessions(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    std::vector<DiscoveryEvent> DiscoveryEvents() const;
    std::vector<DiscoveryEvent> WaitForDiscoveryEvents(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;

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
    std::map<std::string, std::string> m_devices;
};
