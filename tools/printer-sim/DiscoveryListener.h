// Hears discovery requests sent to a broadcast address (inside a test's own network
// namespace) and hands them to every printer, or fleet of printers, that answers discovery.
#pragma once

#include <string>
#include <vector>

#include "DiscoveryHearer.h"
#include "EventLoop.h"

class DiscoveryListener {
public:
    // Binds address:port at once; the responders must outlive the listener.
    DiscoveryListener(EventLoop& loop, const std::string& address, int port, std::vector<DiscoveryHearer*> responders);
    ~DiscoveryListener();
    DiscoveryListener(const DiscoveryListener&) = delete;
    DiscoveryListener& operator=(const DiscoveryListener&) = delete;

private:
    void ReceiveWaiting();

    EventLoop& m_loop;
    std::vector<DiscoveryHearer*> m_responders;
    std::string m_endpoint;
    int m_socket = -1;
};
