// Byte stream of a settings document, storing or loading in one direction, with the
// document's integer and string encodings. Loading never reads or allocates beyond the
// bytes that remain; a short or malformed stream raises a CArchiveException*.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CString.h"

class CArchive {
public:
    enum Mode { store, load };

    // A storing archive that collects the bytes written into Buffer().
    CArchive();
    // A loading archive over the given bytes.
    explicit CArchive(CString bytes);

    bool IsStoring() const { return m_mode == store; }
    bool IsLoading() const { return m_mode == load; }

    // Integers are 32-bit little-endian, signed.
    CArchive& operator<<(std::int32_t value);
    CArchive& operator>>(std::int32_t& value);

    // Strings: one length byte below 255; else 0xFF and a 16-bit length below 0xFFFE;
    // else 0xFF, 0xFFFF and a 32-bit length. No terminator.
    CArchive& operator<<(const CString& value);
    CArchive& operator>>(CString& value);

    // Bytes written so far (storing) or the whole input (loading).
    const CString& Buffer() const { return m_bytes; }
    std::size_t Remaining() const { return m_bytes.size() - m_readPos; }

private:
    void TakeBytes(void* out, std::size_t count);
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);

    Mode m_mode;
    CString m_bytes;
    std::size_t m_readPos = 0;
};
