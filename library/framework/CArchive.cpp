#include "CArchive.h"

#include <cstring>

#include "CException.h"

CArchive::CArchive() : m_mode(store) {}

CArchive::CArchive(CString bytes) : m_mode(load), m_bytes(std::move(bytes)) {}

void CArchive::TakeBytes(void* out, std::size_t count)
{
    if (count > Remaining()) throw new CArchiveException(CArchiveException::endOfFile);
    std::memcpy(out, m_bytes.data() + m_readPos, count);
    m_readPos += count;
}

std::uint16_t CArchive::ReadU16()
{
    unsigned char b[2];
    TakeBytes(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t CArchive::ReadU32()
{
    unsigned char b[4];
    TakeBytes(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void CArchive::WriteU16(std::uint16_t value)
{
    m_bytes.push_back(static_cast<char>(value & 0xFF));
    m_bytes.push_back(static_cast<char>(value >> 8));
}

void CArchive::WriteU32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) m_bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}

CArchive& CArchive::operator<<(std::int32_t value)
{
    WriteU32(static_cast<std::uint32_t>(value));
    return *this;
}

CArchive& CArchive::operator>>(std::int32_t& value)
{
    value = static_cast<std::int32_t>(ReadU32());
    return *this;
}

CArchive& CArchive::operator<<(const CString& value)
{
    const std::size_t length = value.size();
    if (length < 0xFF) {
        m_bytes.push_back(static_cast<char>(length));
    } else if (length < 0xFFFE) {
        m_bytes.push_back(static_cast<char>(0xFF));
        WriteU16(static_cast<std::uint16_t>(length));
    } else {
        m_bytes.push_back(static_cast<char>(0xFF));
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(length));
    }
    m_bytes += value;
    return *this;
}

CArchive& CArchive::operator>>(CString& value)
{
    unsigned char first;
    TakeBytes(&first, 1);
    std::uint32_t length = first;
    if (first == 0xFF) {
        const std::uint16_t wide = ReadU16();
        // 0xFFFE marks a wide-character string, which this document never holds.
        if (wide == 0xFFFE) throw new CArchiveException(CArchiveException::badLength);
        length = wide == 0xFFFF ? ReadU32() : wide;
    }
    if (length > Remaining()) throw new CArchiveException(CArchiveException::endOfFile);
    value.assign(m_bytes, m_readPos, length);
    m_readPos += length;
    return *this;
}
