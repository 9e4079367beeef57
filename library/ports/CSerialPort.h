// A printer on a serial line, with its checked line settings.
#pragma once

#include <chrono>

#include "CPortBase.h"

class CSerialPort : public CPortBase {
    DECLARE_DYNCREATE(CSerialPort)
public:
    // Line setting values, as the settings document stores them. Mark and space parity are
    // never offered but may come from a document.
    enum : std::int32_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };
    enum : std::int32_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };
    enum : std::int32_t { FLOW_XONXOFF = 1, FLOW_HARDWARE = 2 };

    void Serialize(CArchive& ar) override;
    CString DisplayName() const override;
    void SetPortName(const CString& name) override;
    CString PortName() const override;
    // The exclusive default open, then the line set-up; an open port is set up again.
    // A line state the device refuses raises code 10 and leaves the port open.
    void Open() override;
    // Lets the bytes already handed to the driver reach the printer before the device is
    // closed, giving up only when the line has taken nothing for the write time limit.
    void Close() override;
    // Returns with the bytes the line took within the write time limit (fewer while the
    // printer holds the line back, no error).
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override;
    // Returns when the read interval passes after a byte without another, or when the
    // read time limit ends, with what arrived (0 bytes if the printer said nothing).
    void Read(void* data, std::uint32_t length, std::uint32_t* read) override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CSerialPort* other);

    // Checks and stores the five settings in order; the first one not allowed raises its
    // code (1 to 5) and leaves the later ones as they were.
    void SetLineSettings(std::int32_t baud, std::int32_t dataBits, std::int32_t parity, std::int32_t stopBits,
                         std::int32_t flowControl);
    void GetLineSettings(std::int32_t* baud, std::int32_t* dataBits, std::int32_t* parity, std::int32_t* stopBits,
                         std::int32_t* flowControl) const;

    static bool IsAllowedBaudRate(std::int32_t baud);

    // Tests shorten the waits; the product keeps the defaults.
    void SetTimeLimits(std::chrono::milliseconds total, std::chrono::milliseconds interval)
    {
        m_totalTimeLimit = total;
        m_readInterval = interval;
    }

    CString m_strPort;
    std::int32_t m_nBaudRate = 9600;
    std::int32_t m_nDataBits = 8;
    std::int32_t m_nParity = NOPARITY;
    std::int32_t m_nStopBits = ONESTOPBIT;
    std::int32_t m_nFlowControl = FLOW_HARDWARE;

private:
    void DrainOutput();

    std::chrono::milliseconds m_totalTimeLimit{5000};
    std::chrono::milliseconds m_readInterval{100};
};
