#include "CSerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <thread>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "CSerialLineSetup.h"
#include "DeviceWait.h"
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
    // The time limits are kept with poll, which needs a descriptor that never blocks.
    const int flags = ::fcntl(m_hDevice, F_GETFL);
    if (flags == -1 || ::fcntl(m_hDevice, F_SETFL, flags | O_NONBLOCK) == -1) ThrowPrinterError(errInvalidParameter);
    const CSerialLineSetup setup(m_nBaudRate, m_nDataBits, m_nParity, m_nStopBits, m_nFlowControl);
    // The error names the setting, so that the operator knows which one to change.
    if (const int refused = setup.ApplyTo(m_hDevice)) ThrowPrinterError(refused);
}

void CSerialPort::Close()
{
    if (IsOpen()) DrainOutput();
    CPortBase::Close();
}

void CSerialPort::DrainOutput()
{
    // A write counts bytes once the driver holds them, and the driver's own wait at close
    // is a fixed time that a slow line can outlast, cutting the end off a firmware image.
    // So the line is waited for as long as it keeps moving.
    int queued = 0;
    if (::ioctl(m_hDevice, TIOCOUTQ, &queued) != 0) return;
    auto lastProgress = DeviceClock::now();
    while (queued > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        int stillQueued = 0;
        if (::ioctl(m_hDevice, TIOCOUTQ, &stillQueued) != 0) return;
        if (stillQueued < queued)
            lastProgress = DeviceClock::now();
        else if (DeviceClock::now() - lastProgress >= m_totalTimeLimit)
            return;
        queued = stillQueued;
    }
}

void CSerialPort::Write(const void* data, std::uint32_t length, std::uint32_t* written)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    const auto deadline = DeviceClock::now() + m_totalTimeLimit;
    const auto* bytes = static_cast<const char*>(data);
    std::uint32_t sent = 0;
    while (sent < length) {
        const ssize_t count = ::write(m_hDevice, bytes + sent, length - sent);
        if (count > 0) {
            sent += static_cast<std::uint32_t>(count);
        } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
            *written = sent;
            ThrowPlatformError(errno);
        } else if (!WaitForDevice(m_hDevice, POLLOUT, deadline)) {
            break;
        }
    }
    *written = sent;
}

void CSerialPort::Read(void* data, std::uint32_t length, std::uint32_t* read)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    const auto deadline = DeviceClock::now() + m_totalTimeLimit;
    auto* bytes = static_cast<char*>(data);
    std::uint32_t got = 0;
    while (got < length) {
        const auto until = got == 0 ? deadline : std::min(deadline, DeviceClock::now() + m_readInterval);
        if (!WaitForDevice(m_hDevice, POLLIN, until)) break;
        const ssize_t count = ::read(m_hDevice, bytes + got, length - got);
        if (count > 0) {
            got += static_cast<std::uint32_t>(count);
        } else if (count == 0) {
            break;  // the far side hung up: nothing more will come
        } else if (errno != EAGAIN && errno != EINTR) {
            *read = got;
            ThrowPlatformError(errno);
        }
    }
    *read = got;
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
