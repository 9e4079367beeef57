// Common class of the four port kinds: one connection to one printer, with the default
// behaviour of a device opened by path and written and read synchronously.
#pragma once

#include <chrono>
#include <cstdint>

#include "CObject.h"

// Linux stand-in for the platform's device-name prefix of serial and parallel ports.
inline constexpr const char* kDevicePrefix = "/dev/";

class CPortBase : public CObject {
    DECLARE_DYNCREATE(CPortBase)
public:
    CPortBase() = default;
    // The owner closes the port before deleting it; the destructor releases nothing.
    ~CPortBase() override = default;
    CPortBase(const CPortBase&) = delete;
    CPortBase& operator=(const CPortBase&) = delete;

    void Serialize(CArchive& ar) override;

    // Text shown for the port in the printer list.
    virtual CString DisplayName() const;
    virtual void SetPortName(const CString& name);
    // The port's identity; the collection compares it ignoring letter case.
    virtual CString PortName() const;
    // The printer model as the device reports it; empty for kinds that cannot ask.
    virtual CString QueryModel();
    // Makes the port ready for Write and Read; raises code 7 when it cannot be opened.
    virtual void Open();
    // Ends the connection; never raises; closing a closed port does nothing.
    virtual void Close();
    // Sends up to length bytes; *written says how many went out (fewer is no error).
    virtual void Write(const void* data, std::uint32_t length, std::uint32_t* written);
    // Receives up to length bytes; *read = 0 means nothing arrived within the kind's wait.
    virtual void Read(void* data, std::uint32_t length, std::uint32_t* read);
    // How the printer showed that it has the whole file.
    enum class Delivery {
        Confirmed,     // the device took every byte, or the printer closed after taking them
        Unconfirmed,   // every byte acknowledged, but the printer kept its connection open
    };
    // Ends a download: waits until the printer has taken every byte written, so that the end
    // is reported only once the whole file has arrived. Raises when it cannot arrive. Kinds
    // whose writes complete at the device have nothing to wait for. The port is left for
    // Close, and takes no more writes.
    virtual Delivery Flush();
    // Of the bytes written since the port opened, how many the printer has taken. Kinds whose
    // writes complete at the device took them all. Asked before Close.
    virtual std::uint64_t BytesTaken(std::uint64_t written) const { return written; }
    // Sends the configuration query and tells whether any byte came back.
    virtual bool ProbeBidirectional();
    // Takes over the settings of other when it is of the same kind; never an open device.
    virtual void CopySettings(const CPortBase* other);

    // Waits until the port may take more bytes after a short write, a cancel arrives, or
    // deadline passes. Kinds whose writes wait for the device themselves return at once.
    virtual void WaitUntilWritable(std::chrono::steady_clock::time_point deadline);

    // How long the port's own waits may see no progress before they raise code 12.
    virtual void SetStallTimeout(std::chrono::milliseconds) {}

    bool IsOpen() const { return m_hDevice != -1; }
    // A descriptor that becomes readable when the running download is cancelled (-1: none);
    // every wait of the port ends on it. Set by the download for its duration.
    void SetCancelSignal(int fd) { m_hCancelSignal = fd; }

    CString m_strDevice;
    int m_hDevice = -1;

protected:
    int m_hCancelSignal = -1;
    // True once the running download's cancel has been signalled.
    bool IsCancelSignalled() const;
};
