#include "CPortBase.h"

#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "DeviceOpenError.h"
#include "PortIO.h"
#include "PrinterErrors.h"

IMPLEMENT_DYNCREATE(CPortBase, CObject)

namespace {

// A second program writing to the same printer would interleave its bytes with ours, so
// the device is held exclusively: terminals refuse further opens, other devices carry an
// advisory lock that cooperating programs respect.
bool TakeExclusively(int fd)
{
    if (isatty(fd)) return ioctl(fd, TIOCEXCL) == 0;
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

}  // namespace

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
    const int fd = ::open(m_strDevice.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) ThrowDeviceOpenError(m_strDevice, errno);
    const int flags = fcntl(fd, F_GETFL);
    if (flags == -1 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1 || !TakeExclusively(fd)) {
        ::close(fd);
        ThrowPrinterError(errPortUnavailable);
    }
    m_hDevice = fd;
}

void CPortBase::Close()
{
    if (!IsOpen()) return;
    if (isatty(m_hDevice)) {
        // Only unread input is dropped. Pending output is left to drain on close: flushing it
        // would silently cut off the tail of a firmware image.
        tcflush(m_hDevice, TCIFLUSH);
        // The exclusive flag can outlive this descriptor on some terminals; release it so
        // the next user of the port is not refused.
        ioctl(m_hDevice, TIOCNXCL);
    }
    ::close(m_hDevice);
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
