#include "CUSBPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "CQuarnPrinterException.h"
#include "DeviceId.h"
#include "DeviceWait.h"
#include "PrinterDevice.h"
#include "PrinterErrors.h"

IMPLEMENT_DYNCREATE(CUSBPort, CPortBase)

namespace {

constexpr std::size_t kDeviceIdBufferSize = 80;
// The USB printer-class driver's device ID request; the size field tells it how much room
// the answer has.
constexpr unsigned long kGetDeviceIdRequest = _IOC(_IOC_READ, 'P', 1, kDeviceIdBufferSize);
constexpr std::chrono::milliseconds kReadWait{3000};

}  // namespace

CString CUSBPort::DisplayName() const
{
    return "USB";
}

CString CUSBPort::QueryModel()
{
    const bool openedHere = !IsOpen();
    if (openedHere) Open();
    std::uint8_t answer[kDeviceIdBufferSize] = {};
    const bool answered = ::ioctl(m_hDevice, kGetDeviceIdRequest, answer) >= 0;
    if (openedHere) Close();
    return answered ? ModelFromDeviceId(answer, sizeof answer) : CString();
}

void CUSBPort::Open()
{
    // Opening again would lose the descriptor already held.
    if (IsOpen()) return;
    m_hDevice = OpenPrinterDevice(m_strDevice, O_RDWR | O_NONBLOCK);
}

void CUSBPort::Write(const void* data, std::uint32_t length, std::uint32_t* written)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    const auto* bytes = static_cast<const char*>(data);
    std::uint32_t sent = 0;
    auto lastProgress = DeviceClock::now();
    while (sent < length) {
        const ssize_t count = ::write(m_hDevice, bytes + sent, length - sent);
        if (count > 0) {
            sent += static_cast<std::uint32_t>(count);
            lastProgress = DeviceClock::now();
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            *written = sent;
            ThrowPlatformError(errno);
        }
        if (!WaitForDevice(m_hDevice, POLLOUT, lastProgress + m_writeStallLimit)) {
            // A partial count lets the caller carry on where the printer stopped; a
            // printer that took nothing at all would otherwise hold the thread forever.
            if (sent > 0) break;
            *written = 0;
            ThrowPrinterError(errTimeout);
        }
    }
    *written = sent;
}

void CUSBPort::Read(void* data, std::uint32_t length, std::uint32_t* read)
{
    if (!IsOpen()) ThrowPrinterError(errPortUnavailable);
    *read = 0;
    if (!WaitForDevice(m_hDevice, POLLIN, DeviceClock::now() + kReadWait)) return;
    const ssize_t count = ::read(m_hDevice, data, length);
    if (count >= 0)
        *read = static_cast<std::uint32_t>(count);
    else if (errno != EAGAIN && errno != EINTR)
        ThrowPlatformError(errno);
}

void CUSBPort::CopySettings(const CPortBase* other)
{
    if (const auto* usb = dynamic_cast<const CUSBPort*>(other)) CopyFrom(usb);
}

void CUSBPort::CopyFrom(const CUSBPort* other)
{
    m_strDevice = other->m_strDevice;
    // The copy describes a connection; it never takes over (or leaks) a device.
    Close();
}
