#include "CSerialPort.h"

#include <algorithm>
#include <iterator>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"

IMPLEMENT_DYNCREATE(CSerialPort, CPortBase)

namespace {

constexpr std::int32_t kAllowedBaudRates[] = {110,   300,   600,   1200,   2400,   4800,   9600,  14400,
                                              19200, 38400, 56000, 57600, 115200, 128000, 256000};

}  // namespace

bool CSerialPort::IsAllowedBaudRate(std::int32_t baud)
{
    return std::find(std::begin(kAllowedBaudRates), std::end(kAllowedBaudRates), baud) != std::end(kAllowedBaudRates);
}

void CSerialPort::Serialize(CArchive& ar)
{
    CPortBase::Serialize(ar);
    // Values read back are taken as stored: a document may hold settings the dialog never offers.
    if (ar.IsStoring())
        ar << m_nBaudRate << m_nDataBits << m_nParity << m_nStopBits << m_nFlowControl << m_strPort;
    else
        ar >> m_nBaudRate >> m_nDataBits >> m_nParity >> m_nStopBits >> m_nFlowControl >> m_strPort;
}

CString CSerialPort::DisplayName() const
{
    return m_strPort;
}

void CSerialPort::SetPortName(const CString& name)
{
    m_strPort = name;
    m_strDevice = kDevicePrefix + name;
}

CString CSerialPort::PortName() const
{
    return m_strPort;
}

void CSerialPort::Open()
{
    CPortBase::Open();
}

void CSerialPort::CopySettings(const CPortBase* other)
{
    if (const auto* serial = dynamic_cast<const CSerialPort*>(other)) CopyFrom(serial);
}

void CSerialPort::CopyFrom(const CSerialPort* other)
{
    m_strDevice = other->m_strDevice;
    m_strPort = other->m_strPort;
    m_nBaudRate = other->m_nBaudRate;
    m_nDataBits = other->m_nDataBits;
    m_nParity = other->m_nParity;
    m_nStopBits = other->m_nStopBits;
    m_nFlowControl = other->m_nFlowControl;
    // The copy describes a connection; it never takes over (or leaks) a device.
    Close();
}

void CSerialPort::SetLineSettings(std::int32_t baud, std::int32_t dataBits, std::int32_t parity,
                                  std::int32_t stopBits, std::int32_t flowControl)
{
    // Each value is stored as soon as it passes, so a refusal keeps the earlier ones.
    if (!IsAllowedBaudRate(baud)) ThrowPrinterError(errBaudRate);
    m_nBaudRate = baud;
    if (dataBits != 7 && dataBits != 8) ThrowPrinterError(errDataBits);
    m_nDataBits = dataBits;
    if (parity != NOPARITY && parity != ODDPARITY && parity != EVENPARITY) ThrowPrinterError(errParity);
    m_nParity = parity;
    if (stopBits != ONESTOPBIT && stopBits != TWOSTOPBITS) ThrowPrinterError(errStopBits);
    m_nStopBits = stopBits;
    if (flowControl != FLOW_XONXOFF && flowControl != FLOW_HARDWARE) ThrowPrinterError(errFlowControl);
    m_nFlowControl = flowControl;
}

void CSerialPort::GetLineSettings(std::int32_t* baud, std::int32_t* dataBits, std::int32_t* parity,
                                  std::int32_t* stopBits, std::int32_t* flowControl) const
{
    *baud = m_nBaudRate;
    *dataBits = m_nDataBits;
    *parity = m_nParity;
    *stopBits = m_nStopBits;
    *flowControl = m_nFlowControl;
}
