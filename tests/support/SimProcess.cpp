#include "SimProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(10);

std::filesystem::path MakeFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quarn-sim-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder for the simulator's record");
    return pattern;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// The lines of the record of the given kinds; a line without a kind is a network connection.
std::vector<nlohmann::json> RecordLines(const std::filesystem::path& path, const std::string& kind,
                                        const std::string& otherKind = {})
{
    std::vector<nlohmann::json> lines;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        // A line the simulator is still writing has no newline yet and is left for later.
        if (file.eof()) break;
        nlohmann::json record = nlohmann::json::parse(line);
        const std::string recordKind = record.value("kind", "network");
        if (recordKind == kind || (!otherKind.empty() && recordKind == otherKind)) lines.push_back(std::move(record));
    }
    return lines;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// Reads again and again until at least count entries are there or the limit passes.
template <typename Read>
auto WaitUntilCount(std::size_t count, std::chrono::milliseconds limit, Read read)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    auto entries = read();
    while (entries.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        entries = read();
    }
    return entries;
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> arguments) : m_arguments(std::move(arguments)), m_folder(MakeFolder())
{
}

SimProcess::~SimProcess()
{
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void SimProcess::Start()
{
    if (m_pid != -1) throw std::logic_error("the simulator already runs");
    std::vector<std::string> words = {QUARN_PRINTER_SIM_PATH, "--record", (m_folder / "record.jsonl").string()};
    words.insert(words.end(), m_arguments.begin(), m_arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    // The simulator must hear SIGTERM even when the test runner blocks or ignores it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipe[1]);
    m_output = pipe[0];
    if (spawned != 0) {
        m_pid = -1;
        throw std::runtime_error(std::string("cannot start ") + QUARN_PRINTER_SIM_PATH);
    }
    try {
        ReadAnnouncements();
    } catch (...) {
        Stop();
        throw;
    }
}

void SimProcess::ReadAnnouncements()
{
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    std::string pending;
    for (;;) {
        pollfd waiter{m_output, POLLIN, 0};
        const int ready = poll(&waiter, 1, MillisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) throw std::runtime_error("the simulator did not report ready in time");
        char chunk[512];
        const ssize_t got = read(m_output, chunk, sizeof chunk);
        if (got <= 0) throw std::runtime_error("the simulator ended before it was ready");
        pending.append(chunk, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == "ready") return;
            std::istringstream words(line);
            std::string keyword, name, endpoint, device;
            words >> keyword >> name >> endpoint >> device;
            const std::size_t colon = endpoint.rfind(':');
            if (keyword == "listening" && colon != std::string::npos)
                m_endpoints[name] = {endpoint.substr(0, colon), std::stoi(endpoint.substr(colon + 1))};
            else if (keyword == "serial")
                m_devices[name] = device;
        }
    }
}

int SimProcess::Stop()
{
    if (m_pid == -1) return m_exitCode;
    kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    int status = 0;
    pid_t ended;
    while ((ended = waitpid(m_pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ended == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &status, 0);
    }
    m_exitCode = (ended == m_pid && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    close(m_output);
    m_output = -1;
    return m_exitCode;
}

void SimProcess::ReleaseHeldLines() const
{
    if (m_pid != -1) kill(m_pid, SIGUSR1);
}

int SimProcess::PortOf(const std::string& printer) const
{
    const auto found = m_endpoints.find(printer);
    if (found == m_endpoints.end()) throw std::out_of_range("the simulator announced no printer " + printer);
    return found->second.second;
}

std::string SimProcess::AddressOf(const std::string& printer) const
{
    const auto found = m_endpoints.find(printer);
    if (found == m_endpoints.end()) throw std::out_of_range("the simulator announced no printer " + printer);
    return found->second.first;
}

std::string SimProcess::DeviceOf(const std::string& printer) const
{
    const auto found = m_devices.find(printer);
    if (found == m_devices.end()) throw std::out_of_range("the simulator announced no serial printer " + printer);
    return found->second;
}

std::vector<SimProcess::Connection> SimProcess::Records() const
{
    std::vector<Connection> connections;
    for (const nlohmann::json& record : RecordLines(m_folder / "record.jsonl", "network")) {
        Connection connection;
        connection.printer = record.at("printer");
        connection.address = record.at("address");
        connection.port = record.at("port");
        connection.peer = record.at("peer");
        connection.openEpochMs = record.at("open_epoch_ms");
        connection.closeEpochMs = record.at("close_epoch_ms");
        connection.openMonotonicMs = record.at("open_monotonic_ms");
        connection.closeMonotonicMs = record.at("close_monotonic_ms");
        connection.bytes = record.at("bytes");
        connection.sha256 = record.at("sha256");
        connection.end = record.at("end");
        connections.push_back(std::move(connection));
    }
    return connections;
}

std::vector<SimProcess::Connection> SimProcess::WaitForRecords(std::size_t count, std::chrono::milliseconds limit) const
{
    return WaitUntilCount(count, limit, [this] { return Records(); });
}

std::vector<SimProcess::SerialSession> SimProcess::SerialSessions() const
{
    std::vector<SerialSession> sessions;
    for (const nlohmann::json& record : RecordLines(m_folder / "record.jsonl", "serial")) {
        SerialSession session;
        session.printer = record.at("printer");
        session.link = record.at("link");
        session.device = record.at("device");
        session.openMonotonicMs = record.at("open_monotonic_ms");
        session.closeMonotonicMs = record.at("close_monotonic_ms");
        session.bytes = record.at("bytes");
        session.sha256 = record.at("sha256");
        session.start = FromHex(record.at("start_hex"));
        if (const nlohmann::json& line = record.at("line"); !line.is_null())
            session.line = SerialSession::Line{line.at("baud"), line.at("data_bits"), line.at("parity"),
                                               line.at("stop_bits"), line.at("flow")};
        for (const nlohmann::json& question : record.at("questions"))
            session.questions.push_back({question.at("asked"), question.at("answered"), question.at("after_bytes")});
        for (const nlohmann::json& flow : record.at("flow_control"))
            session.flowControl.push_back({flow.at("sent"), flow.at("after_bytes"), flow.at("monotonic_ms")});
        session.end = record.at("end");
        sessions.push_back(std::move(session));
    }
    return sessions;
}

std::vector<SimProcess::SerialSession> SimProcess::WaitForSerialSessions(std::size_t count, std::chrono::milliseconds limit) const
{
    return WaitUntilCount(count, limit, [this] { return SerialSessions(); });
}

std::vector<SimProcess::DiscoveryEvent> SimProcess::DiscoveryEvents() const
{
    std::vector<DiscoveryEvent> events;
    const std::filesystem::path path = m_folder / "record.jsonl";
    for (const nlohmann::json& record : RecordLines(path, "discovery request", "discovery answer")) {
        DiscoveryEvent event;
        event.answer = record.at("kind") == "discovery answer";
        event.printer = record.at("printer");
        event.from = record.at("from");
        event.bytes = record.at("bytes");
        event.monotonicMs = record.at("monotonic_ms");
        if (event.answer) {
            event.to = record.at("to");
            event.sha256 = record.at("sha256");
            event.result = record.at("result");
        } else {
            event.via = record.at("via");
            event.start = FromHex(record.at("start_hex"));
            event.answered = record.at("answered");
        }
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<SimProcess::DiscoveryEvent> SimProcess::WaitForDiscoveryEvents(std::size_t count, std::chrono::milliseconds limit) const
{
    return WaitUntilCount(count, limit, [this] { return DiscoveryEvents(); });
}

int SimProcess::MaxSimultaneous(const std::vector<Connection>& connections)
{
    // Opens count +1 and closes -1; at equal times the close goes first, so a connection that
    // ends exactly as the next begins is not counted as overlapping it.
    std::vector<std::pair<double, int>> changes;
    for (const Connection& connection : connections) {
        changes.emplace_back(connection.openMonotonicMs, +1);
        changes.emplace_back(connection.closeMonotonicMs, -1);
    }
    std::sort(changes.begin(), changes.end());
    int open = 0, most = 0;
    for (const auto& change : changes) most = std::max(most, open += change.second);
    return most;
}
