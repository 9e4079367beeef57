// The datagram socket of network discovery: sends the request and filters the answers.
#pragma once

#include <set>

#include "CString.h"
#include "IDiscoveryResults.h"

class CUDPSocket {
public:
    // Binds to any local address on port, allows broadcasts and learns this computer's own
    // addresses. A failure leaves the socket unusable (IsUsable false) without a message.
    CUDPSocket(IDiscoveryResults* pOwner, int port);
    ~CUDPSocket();
    CUDPSocket(const CUDPSocket&) = delete;
    CUDPSocket& operator=(const CUDPSocket&) = delete;

    bool IsUsable() const { return m_hSocket != -1; }
    int Handle() const { return m_hSocket; }

    // Sends the request once to the limited broadcast address and once to the broadcast
    // address of every running interface, since Linux sends a limited broadcast out of one
    // interface only. True when at least one send went out.
    bool SendDiscoveryRequest();

    // Reads one waiting datagram and appends it to the owner's results when it is a
    // printer's answer. Errors are dropped silently.
    void OnReceive(int errorCode);

    int m_nPort;
    std::set<CString> m_setLocalAddresses;
    IDiscoveryResults* m_pOwnerThread;

private:
    bool SendTo(const CString& address);

    int m_hSocket = -1;
};
