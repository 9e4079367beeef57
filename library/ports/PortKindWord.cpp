#include "PortKindWord.h"

#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CSerialPort.h"
#include "CUSBPort.h"

const char* PortKindWord(const CPortBase* port)
{
    if (!port) return "";
    if (port->IsKindOf(RUNTIME_CLASS(CSerialPort))) return "serial";
    if (port->IsKindOf(RUNTIME_CLASS(CParallelPort))) return "parallel";
    if (port->IsKindOf(RUNTIME_CLASS(CUSBPort))) return "usb";
    if (port->IsKindOf(RUNTIME_CLASS(CNetworkPort))) return "network";
    return "";
}
