// A printer reached over TCP/IP at an IPv4 address and TCP port.
#pragma once

#include <memory>

#include "CPortBase.h"

class CNetworkPort : public CPortBase {
    DECLARE_DYNCREATE(CNetworkPort)
public:
    static constexpr std::int32_t kDefaultTcpPort = 9100;
    // A printer that has not answered by then is taken as absent.
    static constexpr int kConnectTimeoutMs = 10000;
    // A printer that takes no byte of what is still in flight for this long is taken as stuck.
    static constexpr int kDeliveryStallMs = 30000;

    class CTCPSocket;

    CNetworkPort();
    ~CNetworkPort() override;

    void Serialize(CArchive& ar) override;
    // Connects to the printer; any failure raises code 7 and leaves the port closed.
    void Open() override;
    // Half-closes, discards whatever answer has already arrived, and never waits for more.
    void Close() override;
    // One send that never waits: a full send buffer gives *written = 0 and no error; any
    // other failure raises, because going on over a new connection would corrupt the file.
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override;
    // One receive that never waits: nothing waiting raises; 0 means the printer closed.
    void Read(void* data, std::uint32_t length, std::uint32_t* read) override;
    // Waits until the printer has acknowledged every byte. A connection that fails meanwhile
    // raises its error; one that makes no progress for m_nDeliveryStallMs raises code 12.
    void Flush() override;
    bool ProbeBidirectional() override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CNetworkPort* other);

    // Stores the four values, each modulo 256, as the dotted address text.
    void SetIPAddress(int b1, int b2, int b3, int b4);
    // Splits the address text back into four bytes; an empty address gives 0.0.0.0.
    void GetIPAddress(int* b1, int* b2, int* b3, int* b4) const;

    bool IsConnected() const { return m_pSocket != nullptr; }

    std::unique_ptr<CTCPSocket> m_pSocket;
    std::int32_t m_nTcpPort = kDefaultTcpPort;
    // Not stored in documents; tests shorten them.
    int m_nConnectTimeoutMs = kConnectTimeoutMs;
    int m_nDeliveryStallMs = kDeliveryStallMs;
};
