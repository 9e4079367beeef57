#include "DiscoveryResponder.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "DatagramSocket.h"
#include "HexText.h"
#include "Sha256.h"
#include "SimClock.h"

namespace {

// Datagrams taken per wake-up, so that a flood cannot starve the other printers of the loop.
constexpr int kReceivesPerWake = 16;
// Enough of a request to see what it was; a flood of large ones must not bloat the record.
constexpr std::size_t kRequestKept = 64;

}  // namespace

DiscoveryResponder::DiscoveryResponder(EventLoop& loop, RecordLog& log, const NetworkPrinterOptions& options)
    : m_loop(loop), m_log(log), m_options(options)
{
    m_socket = BindDatagramSocket(options.address, options.discovery.port, "discovery of " + options.name);
    m_endpoint = options.address + ":" + std::to_string(options.discovery.port);
    m_loop.Watch(m_socket, EPOLLIN, [this](std::uint32_t) { ReceiveWaiting(); });
}

DiscoveryResponder::~DiscoveryResponder()
{
    for (const EventLoop::TimerId id : m_delayed) m_loop.Cancel(id);
    m_loop.Unwatch(m_socket);
    close(m_socket);
}

void DiscoveryResponder::ReceiveWaiting()
{
    std::string datagram;
    sockaddr_in from{};
    for (int i = 0; i < kReceivesPerWake && ReceiveDatagram(m_socket, datagram, from); ++i) Heard(datagram, from, m_endpoint);
}

void DiscoveryResponder::Heard(std::string_view datagram, const sockaddr_in& from, const std::string& via)
{
    const bool request = datagram == DiscoveryOptions::kRequest;
    m_log.WriteLine({
        {"kind", "discovery request"},
        {"printer", m_options.name},
        {"via", via},
        {"from", EndpointText(from)},
        {"bytes", datagram.size()},
        {"start_hex", HexText(datagram.substr(0, kRequestKept))},
        {"answered", request},
        {"epoch_ms", EpochMs()},
        {"monotonic_ms", MonotonicMs()},
    });
    if (!request) return;
    if (m_options.discovery.delayMs == 0) {
        Answer(from);
        return;
    }
    auto id = std::make_shared<EventLoop::TimerId>();
    *id = m_loop.After(std::chrono::milliseconds(m_options.discovery.delayMs), [this, from, id] {
        m_delayed.erase(*id);
        Answer(from);
    });
    m_delayed.insert(*id);
}

void DiscoveryResponder::Answer(const sockaddr_in& to)
{
    in_addr own{};
    inet_pton(AF_INET, m_options.address.c_str(), &own);
    const std::string answer = m_options.discovery.Answer(own.s_addr);
    for (unsigned i = 0; i < m_options.discovery.repeat; ++i) {
        const ssize_t sent = sendto(m_socket, answer.data(), answer.size(), MSG_NOSIGNAL,
                                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
        m_log.WriteLine({
            {"kind", "discovery answer"},
            {"printer", m_options.name},
            {"from", m_endpoint},
            {"to", EndpointText(to)},
            {"bytes", answer.size()},
            {"sha256", Sha256::Of(answer)},
            {"result", sent == static_cast<ssize_t>(answer.size()) ? std::string("sent") : std::string("error: ") + std::strerror(errno)},
            {"epoch_ms", EpochMs()},
            {"monotonic_ms", MonotonicMs()},
        });
    }
}
