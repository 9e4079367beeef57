#include "CParallelPort.h"

#include "CArchive.h"
#include "CException.h"

IMPLEMENT_DYNCREATE(CParallelPort, CPortBase)

void CParallelPort::Serialize(CArchive& ar)
{
    CPortBase::Serialize(ar);
    if (ar.IsStoring())
        ar << m_strPort;
    else
        ar >> m_strPort;
    // The list shows the short name while the download opens the device path, so the two
    // must name one device.
    if (!ar.IsStoring() && m_strDevice != kDevicePrefix + m_strPort)
        throw new CArchiveException(CArchiveException::badPort,
                                    "the parallel port " + m_strPort + " would open " + m_strDevice + ".");
}

CString CParallelPort::DisplayName() const
{
    return m_strPort;
}

void CParallelPort::SetPortName(const CString& name)
{
    m_strPort = name;
    m_strDevice = kDevicePrefix + name;
}

CString CParallelPort::PortName() const
{
    return m_strPort;
}

void CParallelPort::Read(void* data, std::uint32_t length, std::uint32_t* read)
{
    // A parallel printer never answers; callers have already set *read to 0.
}

bool CParallelPort::ProbeBidirectional()
{
    return false;
}

void CParallelPort::CopySettings(const CPortBase* other)
{
    if (const auto* parallel = dynamic_cast<const CParallelPort*>(other)) CopyFrom(parallel);
}

void CParallelPort::CopyFrom(const CParallelPort* other)
{
    m_strDevice = other->m_strDevice;
    m_strPort = other->m_strPort;
    // The copy describes a connection; it never takes over (or leaks) a device.
    Close();
}
