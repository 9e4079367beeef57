#include "CNetworkPort.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "CTCPSocket.h"
#include "DeviceWait.h"
#include "PrinterErrors.h"

IMPLEMENT_DYNCREATE(CNetworkPort, CPortBase)

namespace {

// Settings documents may hold any text as the address, so a field is read from at most
// three characters, as digits up to the first non-digit, keeping the low eight bits; a
// field whose dot is missing, or that would start past the end, reads as 0.
int AddressField(const CString& text, CString::size_type start)
{
    if (start == CString::npos || start >= text.size()) return 0;
    int value = 0;
    const CString::size_type end = std::min(text.size(), start + 3);
    for (CString::size_type i = start; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return value & 0xFF;
}

// What an operator can do about a connect that failed depends on how it failed.
CString ConnectFailure(int error, int timeoutMs)
{
    switch (error) {
    case ECONNREFUSED:
        return "The printer refused the connection: its raw printing port may be switched off.";
    case ETIMEDOUT:
        return FormatString("The printer did not answer within %d seconds.", (timeoutMs + 999) / 1000);
    case ENETUNREACH:
        return "There is no route to the printer's address.";
    case EHOSTUNREACH:
        return "The printer's address cannot be reached.";
    case ECANCELED:
        return "The connection was cancelled.";
    default:
        return {};
    }
}

CString::size_type NextDot(const CString& text, CString::size_type after)
{
    return after == CString::npos ? CString::npos : text.find('.', after + 1);
}

CString::size_type FieldAfter(CString::size_type dot)
{
    return dot == CString::npos ? CString::npos : dot + 1;
}

}  // namespace

CNetworkPort::CNetworkPort() = default;

// Owners close the port before deleting it; a connection left open is dropped without the
// goodbye of Close.
CNetworkPort::~CNetworkPort() = default;

void CNetworkPort::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strDevice << m_nTcpPort;
    } else {
        ar >> m_strDevice >> m_nTcpPort;
    }
}

void CNetworkPort::Open()
{
    Close();
    auto socket = std::make_unique<CTCPSocket>();
    if (!socket->Connect(m_strDevice, m_nTcpPort, m_nConnectTimeoutMs, m_hCancelSignal))
        throw new CQuarnPrinterException(errPortUnavailable, ConnectFailure(errno, m_nConnectTimeoutMs));
    m_pSocket = std::move(socket);
}

CPortBase::Delivery CNetworkPort::Flush()
{
    using std::chrono::milliseconds;
    if (!m_pSocket) ThrowPrinterError(errPortUnavailable);
    m_pSocket->ShutdownSend();
    const milliseconds stallLimit(m_nDeliveryStallMs);
    const milliseconds closeLimit(m_nUnconfirmedCloseMs);
    int unacknowledged = Unacknowledged();
    auto lastProgress = DeviceClock::now();
    auto allAcknowledgedAt = lastProgress;
    bool closedByPrinter = false;
    for (;;) {
        if (!closedByPrinter) closedByPrinter = DiscardAnswer();
        const int pending = Unacknowledged();
        const auto now = DeviceClock::now();
        if (pending < unacknowledged) lastProgress = now;
        if (pending > 0 || unacknowledged > 0) allAcknowledgedAt = now;
        unacknowledged = pending;
        if (pending == 0) {
            if (closedByPrinter) {
                // A reset that arrived since the queue was looked at must not pass as a close.
                Unacknowledged();
                return Delivery::Confirmed;
            }
            if (now - allAcknowledgedAt >= closeLimit) return Delivery::Unconfirmed;
        } else if (now - lastProgress >= stallLimit) {
            ThrowPrinterError(errTimeout);
        }
        // Acknowledgements wake no poll: while bytes are in flight the queue is looked at
        // again shortly. Once all are acknowledged, only the printer's close or reset is
        // awaited; after its close, a readable socket says nothing new.
        const auto deadline = pending == 0 ? allAcknowledgedAt + closeLimit
                                           : std::min(now + milliseconds(10), lastProgress + stallLimit);
        if (IsCancelSignalled()) return Delivery::Unconfirmed;
        WaitForDevice(closedByPrinter ? -1 : m_pSocket->Handle(), POLLIN, deadline, m_hCancelSignal);
    }
}

void CNetworkPort::WaitUntilWritable(std::chrono::steady_clock::time_point deadline)
{
    if (m_pSocket) WaitForDevice(m_pSocket->Handle(), POLLOUT, deadline, m_hCancelSignal);
}

bool CNetworkPort::DiscardAnswer()
{
    char discard[512];
    for (;;) {
        const ssize_t received = m_pSocket->Receive(discard, sizeof discard);
        if (received == 0) return true;
        if (received > 0) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        if (errno != EINTR) ThrowPlatformError(errno);
    }
}

int CNetworkPort::Unacknowledged() const
{
    const int pending = m_pSocket->UnacknowledgedBytes();
    if (pending < 0) ThrowPlatformError(errno);
    return pending;
}

std::uint64_t CNetworkPort::BytesTaken(std::uint64_t written) const
{
    std::uint64_t acknowledged = 0;
    if (!m_pSocket || !m_pSocket->AcknowledgedBytes(acknowledged)) return written;
    // The acknowledgement of the end of the data counts one more.
    return std::min(written, acknowledged);
}

void CNetworkPort::Close()
{
    if (!m_pSocket) return;
    m_pSocket->ShutdownSend();
    char discard[50];
    try {
        std::uint32_t read;
        do {
            read = 0;
            Read(discard, sizeof discard, &read);
        } while (read != 0);
    } catch (CQuarnPrinterException* e) {
        e->Delete();
    }
    m_pSocket.reset();
}

void CNetworkPort::Write(const void* data, std::uint32_t length, std::uint32_t* written)
{
    *written = 0;
    if (!m_pSocket) ThrowPrinterError(errPortUnavailable);
    const ssize_t sent = m_pSocket->Send(data, length);
    if (sent >= 0) {
        *written = static_cast<std::uint32_t>(sent);
        return;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;
    ThrowPlatformError(errno);
}

void CNetworkPort::Read(void* data, std::uint32_t length, std::uint32_t* read)
{
    *read = 0;
    if (!m_pSocket) ThrowPrinterError(errPortUnavailable);
    const ssize_t received = m_pSocket->Receive(data, length);
    if (received < 0) ThrowPlatformError(errno);
    *read = static_cast<std::uint32_t>(received);
}

bool CNetworkPort::ProbeBidirectional()
{
    return false;
}

void CNetworkPort::CopySettings(const CPortBase* other)
{
    if (other && other->IsKindOf(RUNTIME_CLASS(CNetworkPort)))
        CopyFrom(static_cast<const CNetworkPort*>(other));
}

void CNetworkPort::CopyFrom(const CNetworkPort* other)
{
    Close();
    m_strDevice = other->m_strDevice;
    m_nTcpPort = other->m_nTcpPort;
    m_hDevice = -1;
}

void CNetworkPort::SetIPAddress(int b1, int b2, int b3, int b4)
{
    // Modulo 256 as an unsigned byte, so a negative value cannot yield a negative field.
    auto byte = [](int v) { return static_cast<int>(static_cast<unsigned>(v) & 0xFFu); };
    m_strDevice = FormatString("%d.%d.%d.%d", byte(b1), byte(b2), byte(b3), byte(b4));
}

void CNetworkPort::GetIPAddress(int* b1, int* b2, int* b3, int* b4) const
{
    const CString::size_type d1 = m_strDevice.find('.');
    const CString::size_type d2 = NextDot(m_strDevice, d1);
    const CString::size_type d3 = NextDot(m_strDevice, d2);
    *b1 = AddressField(m_strDevice, 0);
    *b2 = AddressField(m_strDevice, FieldAfter(d1));
    *b3 = AddressField(m_strDevice, FieldAfter(d2));
    *b4 = AddressField(m_strDevice, FieldAfter(d3));
}
