// The TCP connection of a network port: a bounded connect, then sends and receives that never wait.
#pragma once

#include <cstddef>
#include <sys/types.h>

#include "CNetworkPort.h"

class CNetworkPort::CTCPSocket {
public:
    CTCPSocket() = default;
    ~CTCPSocket();
    CTCPSocket(const CTCPSocket&) = delete;
    CTCPSocket& operator=(const CTCPSocket&) = delete;

    // Resolves host (dotted IPv4 or a name) and connects within timeoutMs; on failure returns
    // false with errno set and holds no descriptor.
    bool Connect(const CString& host, std::int32_t tcpPort, int timeoutMs);

    // One send or receive that never waits: -1 with errno set on failure, as the system returns.
    ssize_t Send(const void* data, std::size_t length);
    ssize_t Receive(void* data, std::size_t length);

    // Tells the printer that no more data follows; errors are of no interest to the caller.
    void ShutdownSend();

private:
    bool ConnectTo(const struct sockaddr* address, socklen_t addressLength, int timeoutMs);
    void Destroy();

    int m_hSocket = -1;
};
