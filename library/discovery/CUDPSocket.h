// The datagram socket of network discovery: sends the request and filters the answers.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "CString.h"
#include "IDiscoveryResults.h"

class CUDPSocket {
public:
    // Room for the answers of a big site arriving all at once: thousands of printers answer
    // one broadcast within milliseconds, and what the buffer cannot hold is lost.
    static constexpr int kWantedReceiveBuffer = 8 * 1024 * 1024;

    // Binds to any local address on port, allows broadcasts, sizes the receive buffer and
    // learns this computer's own addresses. A failure leaves the socket unusable (IsUsable
    // false) and says why in Problem(); a smaller buffer than wanted is not a failure.
    CUDPSocket(IDiscoveryResults* pOwner, int port, int wantedReceiveBuffer = kWantedReceiveBuffer);
    ~CUDPSocket();
    CUDPSocket(const CUDPSocket&) = delete;
    CUDPSocket& operator=(const CUDPSocket&) = delete;

    bool IsUsable() const { return m_hSocket != -1; }
    int Handle() const { return m_hSocket; }

    // Sends the request once to the limited broadcast address and once to the broadcast
    // address of every running interface, since Linux sends a limited broadcast out of one
    // interface only. True when at least one send went out; otherwise Problem() says why.
    bool SendDiscoveryRequest();

    // Why the socket cannot search, for the operator; empty while it can.
    const std::string& Problem() const { return m_strProblem; }

    // Reads every waiting datagram and appends those that are printers' answers to the
    // owner's results, in arrival order. Errors are dropped silently.
    void OnReceive(int errorCode);

    // The receive buffer the system granted, in bytes (the kernel counts its own overhead
    // in it, so it holds fewer answers than bytes / 432); 0 when the socket is unusable.
    int ReceiveBufferSize() const { return m_nReceiveBuffer; }
    // Datagrams the system dropped because the receive buffer was full, since the socket was made.
    std::uint32_t LostDatagrams() const;

    int m_nPort;
    std::set<CString> m_setLocalAddresses;
    IDiscoveryResults* m_pOwnerThread;

private:
    bool SendTo(const CString& address);
    // Takes up to one batch of waiting datagrams; the number taken, 0 when none waited.
    int ReceiveBatch();

    int m_hSocket = -1;
    int m_nReceiveBuffer = 0;
    std::string m_strProblem;
    std::vector<std::uint8_t> m_batchBuffer;
};
