// A simulated network printer: listens on its address and port, keeps its open connections,
// and answers discovery when its options say so.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "DiscoveryResponder.h"
#include "EventLoop.h"
#include "NetworkConnection.h"
#include "NetworkPrinterOptions.h"
#include "RecordLog.h"

class NetworkPrinter {
public:
    // Binds and listens at once, so that "ready" is only announced once every printer answers;
    // a port of 0 is replaced by the one the system chose.
    NetworkPrinter(EventLoop& loop, RecordLog& log, NetworkPrinterOptions options, std::uint32_t seed);
    ~NetworkPrinter();
    NetworkPrinter(const NetworkPrinter&) = delete;
    NetworkPrinter& operator=(const NetworkPrinter&) = delete;

    const NetworkPrinterOptions& Options() const { return m_options; }
    // Nothing when the printer does not answer discovery.
    DiscoveryResponder* Discovery() const { return m_discovery.get(); }

private:
    void AcceptWaiting();
    void Forget(NetworkConnection* connection);

    EventLoop& m_loop;
    RecordLog& m_log;
    NetworkPrinterOptions m_options;
    std::uint32_t m_seed;
    int m_listener = -1;
    std::map<NetworkConnection*, std::unique_ptr<NetworkConnection>> m_connections;
    std::unique_ptr<DiscoveryResponder> m_discovery;
};
