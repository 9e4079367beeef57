#include "CPortBase.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>

#include <algorithm>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "DeviceWait.h"
#include "PortIO.h"
#include "PrinterDevice.h"
#include "PrinterErrors.h"

IMPLEMENT_DYNCREATE(CPortBase, CObject)

void CPortBase::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar << m_strDevice;
    else
        ar >> m_strDevice;
}

CString CPortBase::DisplayName() const
{
    return PortName();
}

void CPortBase::SetPortName(const CString& name)
{
    m_strDevice = name;
}

CString CPortBase::PortName() const
{
    return m_strDevice;
}

CString CPortBase::QueryModel()
{
    return CString();
}

void CPortBase::Open()
{
    if (IsOpen()) return;
    // Opened without waiting: a serial line whose modem control is on would otherwise block
    // here until a carrier appears. Transfers are synchronous again once it is held.
    const int fd = OpenPrinterDevice(m_strDevice, O_RDWR | O_NONBLOCK);
    const int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        ClosePrinterDevice(fd);
        ThrowPrinterError(errPortUnavailable);
    }
    m_hDevice = fd;
}

void CPortBase::Close()
{
    if (!IsOpen()) return;
    // Only unread input is dropped. Pending output is left to drain on close: flushing it
    // would silently cut off the tail of a firmware image.
    if (isatty(m_hDevice)) tcflush(m_hDevice, TCIFLUSH);
    ClosePrinterDevice(m_hDevice);
    m_hDevice = -1;
}

void CPortBase::Write(const void* data, std::uint32_t length, std::uint32_t* written)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    ssize_t count;
    do {
        count = ::write(m_hDevice, data, length);
    } while (count < 0 && errno == EINTR);
    if (count < 0) ThrowPlatformError(errno);
    *written = static_cast<std::uint32_t>(count);
}

void CPortBase::Read(void* data, std::uint32_t length, std::uint32_t* read)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    ssize_t count;
    do {
        count = ::read(m_hDevice, data, length);
    } while (count < 0 && errno == EINTR);
    if (count < 0) ThrowPlatformError(errno);
    *read = static_cast<std::uint32_t>(count);
}

CPortBase::Delivery CPortBase::Flush() { return Delivery::Confirmed; }

void CPortBase::WaitUntilWritable(std::chrono::steady_clock::time_point deadline)
{
    // The device's own write already waited for it; a short pause keeps a port that takes
    // nothing from being asked again at once.
    WaitForDevice(-1, 0, std::min(deadline, DeviceClock::now() + std::chrono::milliseconds(10)), m_hCancelSignal);
}

bool CPortBase::IsCancelSignalled() const
{
    if (m_hCancelSignal == -1) return false;
    pollfd entry{m_hCancelSignal, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
}

bool CPortBase::ProbeBidirectional()
{
    // The configuration query: line feed, "UQ", line feed. Sent whole, since a printer that
    // receives half a command may take the next bytes as part of it.
    WriteAll(*this, CString("\x0A" "UQ" "\x0A"));
    char answer[1000];
    std::uint32_t received = 0;
    Read(answer, sizeof answer, &received);
    return received != 0;
}

void CPortBase::CopySettings(const CPortBase* other)
{
    m_strDevice = other->m_strDevice;
    // Settings only: a device this port still held is released rather than leaked.
    Close();
}
