// Answers discovery requests for one simulated network printer, from a UDP socket of its own
// address, and records every request heard and every answer sent.
#pragma once

#include <netinet/in.h>

#include <set>
#include <string>
#include <string_view>

#include "DiscoveryHearer.h"
#include "EventLoop.h"
#include "NetworkPrinterOptions.h"
#include "RecordLog.h"

class DiscoveryResponder : public DiscoveryHearer {
public:
    // Binds the printer's address and the discovery port at once, so that "ready" is only
    // announced once the printer can be found.
    DiscoveryResponder(EventLoop& loop, RecordLog& log, const NetworkPrinterOptions& options);
    ~DiscoveryResponder() override;
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // A datagram that reached the printer, directly or through a broadcast listener (via
    // names where it arrived); a discovery request is answered to its sender alone.
    void Heard(std::string_view datagram, const sockaddr_in& from, const std::string& via) override;

private:
    void ReceiveWaiting();
    void Answer(const sockaddr_in& to);

    EventLoop& m_loop;
    RecordLog& m_log;
    const NetworkPrinterOptions& m_options;
    int m_socket = -1;
    std::string m_endpoint;
    std::set<EventLoop::TimerId> m_delayed;
};
