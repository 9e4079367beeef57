// A whole site of printers that only answer discovery: one socket answers each request once
// for every address of a range, each answer sent from its own address. The addresses must
// be this host's (inside a test's namespace, a local route takes a whole range at once).
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "DiscoveryHearer.h"
#include "DiscoveryOptions.h"
#include "EventLoop.h"
#include "RecordLog.h"

struct FleetOptions {
    std::uint32_t first = 0;  // the first address, host order
    unsigned count = 0;
    unsigned jitterMs = 0;  // each answer waits a random 0 to jitterMs ms; 0 sends them back to back

    // FIRST,COUNT[,jitter-ms=MS]; throws std::invalid_argument with a message fit for the command line.
    static FleetOptions Parse(const std::string& text);
};

class FleetResponder : public DiscoveryHearer {
public:
    FleetResponder(EventLoop& loop, RecordLog& log, const FleetOptions& options, std::uint32_t seed);
    ~FleetResponder() override;
    FleetResponder(const FleetResponder&) = delete;
    FleetResponder& operator=(const FleetResponder&) = delete;

    // Answers a request for every address of the range; anything else is ignored.
    void Heard(std::string_view datagram, const sockaddr_in& from, const std::string& via) override;

private:
    // The answer of the printer at first + index, named Fleet#(index + 1).
    bool SendAnswer(unsigned index, const sockaddr_in& to);
    // Records one line for a request once all its answers are out.
    void Finished(const sockaddr_in& to, unsigned sent, const std::string& firstError);

    EventLoop& m_loop;
    RecordLog& m_log;
    FleetOptions m_options;
    std::mt19937 m_random;
    int m_socket = -1;
    std::vector<EventLoop::TimerId> m_pending;
    std::string m_lastError;
};
