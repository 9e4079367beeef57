// A printer attached by USB, named by the device path the USB access library reports.
#pragma once

#include <chrono>

#include "CPortBase.h"

class CUSBPort : public CPortBase {
    DECLARE_DYNCREATE(CUSBPort)
public:
    CString DisplayName() const override;
    // Manufacturer and model from the device ID; empty when the device does not answer.
    // A closed port is opened for the request and closed again.
    CString QueryModel() override;
    // Opens the device shared, without blocking; raises code 7 when it cannot be opened.
    void Open() override;
    // Sends the whole buffer unless the printer stops taking data: after the stall limit
    // without progress it returns what went out, or raises code 12 if nothing did.
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override;
    // Waits up to 3000 ms for an answer; 0 bytes and no error when none came.
    void Read(void* data, std::uint32_t length, std::uint32_t* read) override;
    void CopySettings(const CPortBase* other) override;
    virtual void CopyFrom(const CUSBPort* other);

    // Tests shorten the stall limit; the product keeps the default.
    void SetWriteStallLimit(std::chrono::milliseconds limit) { m_writeStallLimit = limit; }
    void SetStallTimeout(std::chrono::milliseconds limit) override { SetWriteStallLimit(limit); }

private:
    std::chrono::milliseconds m_writeStallLimit{30000};
};
