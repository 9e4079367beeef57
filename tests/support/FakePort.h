// A port for tests: keeps every byte written to it and can take only part of each write,
// fail a write, refuse to open, or hold writes until the test lets them through.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "CPortBase.h"

class FakePort : public CPortBase {
public:
    // Lets the test see whether the port object is still alive.
    explicit FakePort(std::atomic<bool>* pDestroyed = nullptr) : m_pDestroyed(pDestroyed) {}
    ~FakePort() override;

    void Open() override;
    void Close() override;
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override;
    Delivery Flush() override;

    // Each write takes at most this many bytes.
    void AcceptAtMost(std::uint32_t bytes);
    // The write that would pass this many received bytes raises a printer error of code.
    void FailAfter(std::size_t bytes, unsigned long code);
    void FailOpen(unsigned long code);
    // Opens that many times, then raises a printer error of code at every open.
    void FailOpenAfter(int opens, unsigned long code);
    // The wait for delivery at the end of a download raises a printer error of code.
    void FailFlush(unsigned long code);
    // The wait for delivery at the end of a download ends without the printer's confirmation.
    void LeaveUnconfirmed();
    int FlushCount() const;
    // Writes wait from now on until ReleaseWrites.
    void HoldWrites();
    void ReleaseWrites();
    // Waits until a write is being held; false when the time ran out.
    bool WaitUntilHeld(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Waits until this many bytes have arrived; false when the time ran out.
    bool WaitForBytes(std::size_t bytes, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    CString Received() const;
    int OpenCount() const;
    int CloseCount() const;
    bool IsOpenNow() const;

private:
    std::atomic<bool>* m_pDestroyed;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    CString m_received;
    std::uint32_t m_nAcceptAtMost = UINT32_MAX;
    std::size_t m_nFailAfter = SIZE_MAX;
    unsigned long m_nFailCode = 0;
    unsigned long m_nOpenError = 0;
    int m_nOpensBeforeError = 0;
    unsigned long m_nFlushError = 0;
    int m_nFlushes = 0;
    Delivery m_delivery = Delivery::Confirmed;
    bool m_bHold = false;
    bool m_bHeld = false;
    bool m_bOpen = false;
    int m_nOpens = 0;
    int m_nCloses = 0;
};
