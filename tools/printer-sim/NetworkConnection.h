// One accepted TCP connection of a simulated network printer: takes the bytes the way the
// printer's options say, hashes them, and records the connection when it ends.
#pragma once

#include <functional>
#include <optional>
#include <random>
#include <string>

#include "EventLoop.h"
#include "NetworkPrinterOptions.h"
#include "RateLimiter.h"
#include "RecordLog.h"
#include "Sha256.h"

class NetworkConnection {
public:
    // Called once, from inside the loop, when the connection has ended and been recorded.
    using Finished = std::function<void(NetworkConnection*)>;

    NetworkConnection(EventLoop& loop, RecordLog& log, const NetworkPrinterOptions& options, int fd,
                      std::string peer, std::uint32_t seed, Finished finished);
    // Ends a connection still open as stopped by the simulator.
    ~NetworkConnection();
    NetworkConnection(const NetworkConnection&) = delete;
    NetworkConnection& operator=(const NetworkConnection&) = delete;

private:
    void OnEvents(std::uint32_t events);
    void Receive();
    // The most the next receive may take, or 0 when an option says to take nothing now.
    std::size_t NextPieceSize();
    void PauseForRate();
    void Stall();
    void ResetBySimulator();
    // The client has sent everything and closed its side: the printer's answer to that.
    void ClientFinished();
    // Records the connection as it stands and lets the client's end go unanswered.
    void KeepOpen();
    void End(const std::string& how, bool reset = false);
    void Record(const std::string& how);

    EventLoop& m_loop;
    RecordLog& m_log;
    const NetworkPrinterOptions& m_options;
    int m_fd;
    ConnectionRecord m_record;
    Sha256 m_hash;
    std::optional<RateLimiter> m_rate;
    std::minstd_rand m_random;
    std::optional<EventLoop::TimerId> m_resume;
    bool m_stalled = false;
    bool m_recorded = false;
    Finished m_finished;
};
