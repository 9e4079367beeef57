#include "CUSBPort.h"

IMPLEMENT_DYNCREATE(CUSBPort, CPortBase)

CString CUSBPort::DisplayName() const
{
    return "USB";
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
