// The TCP connection of a network port: a bounded connect, then sends and receives that never wait.
#pragma once

#include <cstddef>
#include <sys/types.h>

#include "CNetworkPort.h"

class CNetworkPort::CTCPSocket {
public:
    // A printer's own buffers hold a few tens of kilobytes; a send buffer of the same order
    // keeps progress and the download ceiling in step with what printers really take,
    // where the system's self-tuning buffer would queue megabytes ahead of them.
    static constexpr int kSendBufferBytes = 64 * 1024;

    CTCPSocket() = default;
    ~CTCPSocket();
    CTCPSocket(const CTCPSocket&) = delete;
    CTCPSocket& operator=(const CTCPSocket&) = delete;

    // Resolves host (dotted IPv4 or a name) and connects within timeoutMs; on failure returns
    // false with errno set and holds no descriptor. A readable cancelFd (-1: none) gives up
    // at once with ECANCELED.
    bool Connect(const CString& host, std::int32_t tcpPort, int timeoutMs, int cancelFd = -1);

    // One send or receive that never waits: -1 with errno set on failure, as the system returns.
    ssize_t Send(const void* data, std::size_t length);
    ssize_t Receive(void* data, std::size_t length);

    // The descriptor to wait on; -1 while not connected.
    int Handle() const { return m_hSocket; }

    // Tells the printer that no more data follows; errors are of no interest to the caller.
    void ShutdownSend();

    // Bytes sent that the printer has not yet acknowledged; -1 with errno set when the
    // connection has failed (reset by the printer, unreachable, ...).
    int UnacknowledgedBytes() const;

    // Data bytes the printer has acknowledged over this connection, also after it was reset;
    // false when the system does not tell.
    bool AcknowledgedBytes(std::uint64_t& acknowledged) const;

private:
    bool ConnectTo(const struct sockaddr* address, socklen_t addressLength, int timeoutMs, int cancelFd);
    void Destroy();

    int m_hSocket = -1;
};
