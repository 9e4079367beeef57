#include "CTCPSocket.h"

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <string>
#include <unistd.h>

CNetworkPort::CTCPSocket::~CTCPSocket()
{
    Destroy();
}

bool CNetworkPort::CTCPSocket::Connect(const CString& host, std::int32_t tcpPort, int timeoutMs, int cancelFd)
{
    Destroy();
    if (tcpPort < 1 || tcpPort > 65535) {
        errno = EINVAL;
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const CString service = std::to_string(tcpPort);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        errno = EHOSTUNREACH;
        return false;
    }
    // A name may resolve to several addresses; the time limit covers trying all of them.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool connected = false;
    int lastError = ECONNREFUSED;
    for (const addrinfo* candidate = found; candidate && !connected; candidate = candidate->ai_next) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            lastError = ETIMEDOUT;
            break;
        }
        connected = ConnectTo(candidate->ai_addr, candidate->ai_addrlen, static_cast<int>(left.count()), cancelFd);
        if (!connected) lastError = errno;
        if (lastError == ECANCELED) break;
    }
    freeaddrinfo(found);
    errno = lastError;
    return connected;
}

bool CNetworkPort::CTCPSocket::ConnectTo(const sockaddr* address, socklen_t addressLength, int timeoutMs, int cancelFd)
{
    m_hSocket = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_hSocket == -1) return false;
    setsockopt(m_hSocket, SOL_SOCKET, SO_SNDBUF, &kSendBufferBytes, sizeof kSendBufferBytes);
    int error = 0;
    if (connect(m_hSocket, address, addressLength) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd waiters[2] = {{m_hSocket, POLLOUT, 0}, {cancelFd, POLLIN, 0}};
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
            int ready;
            do {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                ready = poll(waiters, 2, static_cast<int>(std::max<long long>(0, left.count())));
            } while (ready < 0 && errno == EINTR);
            socklen_t length = sizeof error;
            if (ready == 0) error = ETIMEDOUT;
            else if (ready < 0) error = errno;
            else if (waiters[1].revents & POLLIN) error = ECANCELED;
            else if (getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        }
    }
    if (error != 0) {
        Destroy();
        errno = error;
        return false;
    }
    return true;
}

ssize_t CNetworkPort::CTCPSocket::Send(const void* data, std::size_t length)
{
    return send(m_hSocket, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
}

ssize_t CNetworkPort::CTCPSocket::Receive(void* data, std::size_t length)
{
    return recv(m_hSocket, data, length, MSG_DONTWAIT);
}

void CNetworkPort::CTCPSocket::ShutdownSend()
{
    shutdown(m_hSocket, SHUT_WR);
}

bool CNetworkPort::CTCPSocket::AcknowledgedBytes(std::uint64_t& acknowledged) const
{
    tcp_info info{};
    socklen_t length = sizeof info;
    if (getsockopt(m_hSocket, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
        length < offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked)
        return false;
    // The count includes the acknowledgement of the connection's opening (one sequence number).
    acknowledged = info.tcpi_bytes_acked > 0 ? info.tcpi_bytes_acked - 1 : 0;
    return true;
}

int CNetworkPort::CTCPSocket::UnacknowledgedBytes() const
{
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return -1;
    if (error != 0) {
        errno = error;
        return -1;
    }
    int pending = 0;
    if (ioctl(m_hSocket, SIOCOUTQ, &pending) != 0) return -1;
    return pending;
}

void CNetworkPort::CTCPSocket::Destroy()
{
    if (m_hSocket != -1) {
        close(m_hSocket);
        m_hSocket = -1;
    }
}
