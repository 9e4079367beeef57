#include "DatagramSocket.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

// More than UDP over IPv4 can carry, so no datagram is ever cut.
constexpr std::size_t kLargestDatagram = 65536;

}  // namespace

int BindDatagramSocket(const std::string& address, int port, const std::string& who)
{
    const std::string where = who + " at " + address + ":" + std::to_string(port);
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd == -1) throw std::runtime_error("socket for " + where + ": " + std::strerror(errno));
    // SO_BROADCAST is never set: the system then refuses any send of ours to a broadcast
    // address, so the simulator cannot flood a network whatever a request claims.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
        bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        const int error = errno;
        close(fd);
        throw std::runtime_error("cannot bind " + where + ": " + std::strerror(error));
    }
    return fd;
}

std::string EndpointText(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

bool ReceiveDatagram(int fd, std::string& datagram, sockaddr_in& from)
{
    datagram.resize(kLargestDatagram);
    socklen_t fromLength = sizeof from;
    const ssize_t got = recvfrom(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    datagram.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return got >= 0;
}
