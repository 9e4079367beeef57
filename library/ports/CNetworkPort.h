// A printer reached over TCP/IP at an IPv4 address and TCP port.
#pragma once

#include "CPortBase.h"

class CNetworkPort : public CPortBase {
    DECLARE_DYNCREATE(CNetworkPort)
public:
    static constexpr std::int32_t kDefaultTcpPort = 9100;

    ~CNetworkPort() override;

    void Serialize(CArchive& ar) override;
    bool ProbeBidirectional() override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CNetworkPort* other);

    // Stores the four values, each modulo 256, as the dotted address text.
    void SetIPAddress(int b1, int b2, int b3, int b4);
    // Splits the address text back into four bytes; an empty address gives 0.0.0.0.
    void GetIPAddress(int* b1, int* b2, int* b3, int* b4) const;

    std::int32_t m_nTcpPort = kDefaultTcpPort;
};
