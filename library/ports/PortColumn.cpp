#include "PortColumn.h"

#include "CNetworkPort.h"
#include "CQuarnPrinterData.h"

CString PortColumnText(const CQuarnPrinterData& printer)
{
    const auto* network = dynamic_cast<const CNetworkPort*>(printer.m_pPort);
    if (!network || network->m_nTcpPort == CNetworkPort::kDefaultTcpPort) return printer.PortDisplayName();
    return printer.PortDisplayName() + ":" + std::to_string(network->m_nTcpPort);
}
