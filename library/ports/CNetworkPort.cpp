#include "CNetworkPort.h"

#include <algorithm>

#include "CArchive.h"

IMPLEMENT_DYNCREATE(CNetworkPort, CPortBase)

namespace {

// The address text is split the way the configuration dialog has always done it: at most
// three characters per field, read as digits up to the first non-digit, keeping the low
// eight bits. A field whose dot is missing, or that starts past the end, reads as 0.
int AddressField(const CString& text, CString::size_type start)
{
    if (start == CString::npos || start >= text.size()) return 0;
    int value = 0;
    const CString::size_type end = std::min(text.size(), start + 3);
    for (CString::size_type i = start; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return value & 0xFF;
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

CNetworkPort::~CNetworkPort() = default;

void CNetworkPort::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << m_strDevice << m_nTcpPort;
    } else {
        ar >> m_strDevice >> m_nTcpPort;
    }
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
