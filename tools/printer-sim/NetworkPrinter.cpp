#include "NetworkPrinter.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Accepts per wake-up; more waiting connections are taken on the next turn of the loop.
constexpr int kAcceptsPerWake = 64;

std::string Endpoint(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

NetworkPrinter::NetworkPrinter(EventLoop& loop, RecordLog& log, NetworkPrinterOptions options, std::uint32_t seed)
    : m_loop(loop), m_log(log), m_options(std::move(options)), m_seed(seed)
{
    const std::string where = m_options.name + " at " + m_options.address + ":" + std::to_string(m_options.port);
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listener == -1) throw std::runtime_error("socket for " + where + ": " + std::strerror(errno));
    const int on = 1;
    // A test that restarts the simulator must not wait for the previous run's TIME_WAIT.
    setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Set before listening so that accepted connections inherit it and announce a matching window.
    if (m_options.receiveBuffer)
        setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, &*m_options.receiveBuffer, sizeof *m_options.receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_options.port));
    inet_pton(AF_INET, m_options.address.c_str(), &address.sin_addr);
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listener, SOMAXCONN) != 0) {
        const int error = errno;
        close(m_listener);
        throw std::runtime_error("cannot listen for " + where + ": " + std::strerror(error));
    }
    socklen_t length = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_options.port = ntohs(address.sin_port);
    if (m_options.discovery.enabled) {
        try {
            m_discovery = std::make_unique<DiscoveryResponder>(m_loop, m_log, m_options);
        } catch (...) {
            close(m_listener);
            throw;
        }
    }
    m_loop.Watch(m_listener, EPOLLIN, [this](std::uint32_t) { AcceptWaiting(); });
}

NetworkPrinter::~NetworkPrinter()
{
    m_discovery.reset();
    m_loop.Unwatch(m_listener);
    close(m_listener);
    m_connections.clear();
}

void NetworkPrinter::AcceptWaiting()
{
    for (int i = 0; i < kAcceptsPerWake; ++i) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        const int fd = accept4(m_listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd == -1) return;
        auto connection = std::make_unique<NetworkConnection>(
            m_loop, m_log, m_options, fd, Endpoint(peer), m_seed++,
            [this](NetworkConnection* ended) { Forget(ended); });
        NetworkConnection* key = connection.get();
        m_connections.emplace(key, std::move(connection));
    }
}

void NetworkPrinter::Forget(NetworkConnection* connection)
{
    // The connection is still inside its own member function; it is freed on the next turn.
    m_loop.After(std::chrono::steady_clock::duration::zero(), [this, connection] { m_connections.erase(connection); });
}
