// A printer on a serial line, with its checked line settings.
#pragma once

#include "CPortBase.h"

class CSerialPort : public CPortBase {
    DECLARE_DYNCREATE(CSerialPort)
public:
    // Line setting values, as the settings document stores them.
    enum : std::int32_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2 };
    enum : std::int32_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };
    enum : std::int32_t { FLOW_XONXOFF = 1, FLOW_HARDWARE = 2 };

    void Serialize(CArchive& ar) override;
    CString DisplayName() const override;
    void SetPortName(const CString& name) override;
    CString PortName() const override;
    void Open() override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CSerialPort* other);

    // Checks and stores the five settings in order; the first one not allowed raises its
    // code (1 to 5) and leaves the later ones as they were.
    void SetLineSettings(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                         std::int32_t flowControl);
    void GetLineSettings(std::int32_t* baud, std::int32_t* dataBits, std::int32_t* parity, std::int32_t* stopBits,
                         std::int32_t* flowControl) const;

    static bool IsAllowedBaudRate(std::int32_t baud);

    CString m_strPort;
    std::int32_t m_nBaudRate = 9600;
    std::int32_t m_nDataBits = 8;
    std::int32_t m_nParity = NOPARITY;
    std::int32_t m_nStopBits = ONESTOPBIT;
    std::int32_t m_nFlowControl = FLOW_HARDWARE;
};
