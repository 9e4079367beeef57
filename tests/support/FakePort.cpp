#include "FakePort.h"

#include <algorithm>

#include "CQuarnPrinterException.h"

FakePort::~FakePort()
{
    if (m_pDestroyed) *m_pDestroyed = true;
}

void FakePort::Open()
{
    std::lock_guard lock(m_mutex);
    if (m_nOpenError != 0 && m_nOpens >= m_nOpensBeforeError) throw new CQuarnPrinterException(m_nOpenError);
    m_bOpen = true;
    ++m_nOpens;
}

void FakePort::Close()
{
    std::lock_guard lock(m_mutex);
    if (!m_bOpen) return;
    m_bOpen = false;
    ++m_nCloses;
}

void FakePort::Write(const void* data, std::uint32_t length, std::uint32_t* written)
{
    std::unique_lock lock(m_mutex);
    if (m_bHold) {
        m_bHeld = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_bHold; });
        m_bHeld = false;
    }
    if (!m_bOpen) throw new CQuarnPrinterException(errPortUnavailable);
    const std::uint32_t taken = std::min(length, m_nAcceptAtMost);
    if (m_received.size() + taken > m_nFailAfter) throw new CQuarnPrinterException(m_nFailCode);
    m_received.append(static_cast<const char*>(data), taken);
    *written = taken;
    m_changed.notify_all();
}

void FakePort::AcceptAtMost(std::uint32_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_nAcceptAtMost = bytes;
}

void FakePort::FailAfter(std::size_t bytes, unsigned long code)
{
    std::lock_guard lock(m_mutex);
    m_nFailAfter = bytes;
    m_nFailCode = code;
}

CPortBase::Delivery FakePort::Flush()
{
    std::lock_guard lock(m_mutex);
    ++m_nFlushes;
    if (m_nFlushError) throw new CQuarnPrinterException(m_nFlushError);
    return m_delivery;
}

void FakePort::LeaveUnconfirmed()
{
    std::lock_guard lock(m_mutex);
    m_delivery = Delivery::Unconfirmed;
}

void FakePort::FailFlush(unsigned long code)
{
    std::lock_guard lock(m_mutex);
    m_nFlushError = code;
}

int FakePort::FlushCount() const
{
    std::lock_guard lock(m_mutex);
    return m_nFlushes;
}

void FakePort::FailOpen(unsigned long code) { FailOpenAfter(0, code); }

void FakePort::FailOpenAfter(int opens, unsigned long code)
{
    std::lock_guard lock(m_mutex);
    m_nOpenError = code;
    m_nOpensBeforeError = opens;
}

void FakePort::HoldWrites()
{
    std::lock_guard lock(m_mutex);
    m_bHold = true;
}

void FakePort::ReleaseWrites()
{
    // Notified under the lock: an abandoned download thread frees this port as soon as
    // its write returns.
    std::lock_guard lock(m_mutex);
    m_bHold = false;
    m_changed.notify_all();
}

bool FakePort::WaitUntilHeld(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_bHeld; });
}

bool FakePort::WaitForBytes(std::size_t bytes, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] { return m_received.size() >= bytes; });
}

CString FakePort::Received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

int FakePort::OpenCount() const
{
    std::lock_guard lock(m_mutex);
    return m_nOpens;
}

int FakePort::CloseCount() const
{
    std::lock_guard lock(m_mutex);
    return m_nCloses;
}

bool FakePort::IsOpenNow() const
{
    std::lock_guard lock(m_mutex);
    return m_bOpen;
}
