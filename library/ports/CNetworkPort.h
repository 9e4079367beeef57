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
    // Some printers keep their side open after taking a whole file; once every byte is
    // acknowledged, this long without the printer's close or reset counts as delivered.
    static constexpr int kUnconfirmedCloseMs = 10000;

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
    // Half-closes and waits for the printer's close with every byte acknowledged and no
    // error on the socket. A reset or error meanwhile raises it; no acknowledgement progress
    // for m_nDeliveryStallMs raises code 12; a printer that keeps its side open for
    // m_nUnconfirmedCloseMs after acknowledging everything counts as delivered, unconfirmed.
    // A cancel ends the wait at once (as unconfirmed; the caller sees the cancel).
    Delivery Flush() override;
    // What the printer's side acknowledged: after a reset, the bytes still in the sender's
    // queue never reached it.
    std::uint64_t BytesTaken(std::uint64_t written) const override;
    // Waits on the socket itself, so that the next bytes go out as soon as the printer
    // has room for them.
    void WaitUntilWritable(std::chrono::steady_clock::time_point deadline) override;
    void SetStallTimeout(std::chrono::milliseconds limit) override { m_nDeliveryStallMs = static_cast<int>(limit.count()); }
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
    int m_nUnconfirmedCloseMs = kUnconfirmedCloseMs;

private:
    // Reads and drops what the printer sent; true once its close has been read. A reset or
    // other receive error raises.
    bool DiscardAnswer();
    // Bytes sent and not yet acknowledged; an error on the socket raises.
    int Unacknowledged() const;
};
