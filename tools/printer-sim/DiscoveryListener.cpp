#include "DiscoveryListener.h"

#include <sys/epoll.h>
#include <unistd.h>

#include "DatagramSocket.h"

namespace {

// Datagrams taken per wake-up, so that a flood cannot starve the printers of the loop.
constexpr int kReceivesPerWake = 16;

}  // namespace

DiscoveryListener::DiscoveryListener(EventLoop& loop, const std::string& address, int port,
                                     std::vector<DiscoveryHearer*> responders)
    : m_loop(loop), m_responders(std::move(responders)), m_endpoint(address + ":" + std::to_string(port))
{
    // Bound to the broadcast address itself rather than to any address: it then hears
    // broadcasts only, and never takes a unicast answer meant for a host's own socket.
    m_socket = BindDatagramSocket(address, port, "discovery listener");
    m_loop.Watch(m_socket, EPOLLIN, [this](std::uint32_t) { ReceiveWaiting(); });
}

DiscoveryListener::~DiscoveryListener()
{
    m_loop.Unwatch(m_socket);
    close(m_socket);
}

void DiscoveryListener::ReceiveWaiting()
{
    std::string datagram;
    sockaddr_in from{};
    for (int i = 0; i < kReceivesPerWake && ReceiveDatagram(m_socket, datagram, from); ++i)
        for (DiscoveryHearer* responder : m_responders) responder->Heard(datagram, from, m_endpoint);
}
