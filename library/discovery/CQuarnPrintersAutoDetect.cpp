// Auto-detection: the collection's share of finding printers on USB and on the network.
#include <set>
#include <vector>

#include "CNetworkPort.h"
#include "CParallelTestOpen.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CSearchNetworkDlg.h"
#include "CUSBAccessLibrary.h"
#include "CUSBPort.h"
#include "IUserInterface.h"

namespace {

// The addresses of the answers that no printer of the list uses as its port, once each.
std::vector<CString> PortsNewTo(const CQuarnPrinters& printers, const std::vector<DiscoveryResponsePacketF3>& answers)
{
    std::set<CString, LessNoCase> seen;
    POSITION position = printers.GetFirstPrinter();
    while (position) seen.insert(printers.GetNextPrinter(position)->Port());
    std::vector<CString> ports;
    for (const DiscoveryResponsePacketF3& answer : answers)
        if (seen.insert(answer.Address()).second) ports.push_back(answer.Address());
    return ports;
}

}  // namespace

void CQuarnPrinters::AutoDetectPrinters(CWnd* pNotifyWnd, unsigned sources)
{
    if (sources & dsUSB) {
        try {
            AutoDetectUSB(pNotifyWnd);
        } catch (CQuarnPrinterException* e) {
            // USB detection is a convenience: its failure must not keep the network search from running.
            e->Delete();
        }
    }
    if (sources & dsNetwork) AutoDetectNetwork(pNotifyWnd);
}

bool CQuarnPrinters::AutoDetectUSB(CWnd* pNotifyWnd)
{
    const CUSBAccessLibrary library;
    for (const CString& device : library.DetectUSBDevices())
        ReconcilePrinterWithList(pNotifyWnd, RUNTIME_CLASS(CUSBPort), device, CString());
    return false;
}

bool CQuarnPrinters::AutoDetectNetwork(CWnd* pNotifyWnd)
{
    CSearchNetworkDlg search;
    m_lastNetworkSearch = CNetworkSearchReport();
    if (!search.StartDetection(m_nSearchPeriodMs)) return false;
    const int ended = search.DoModal();
    m_lastNetworkSearch = search.Report();
    if (ended != IDOK) return false;
    const std::vector<DiscoveryResponsePacketF3> answers = search.Results();
    // The test-opens are what takes time; the list itself is changed here, in arrival order.
    CParallelTestOpen tested(RUNTIME_CLASS(CNetworkPort), PortsNewTo(*this, answers));
    for (const DiscoveryResponsePacketF3& answer : answers)
        ReconcilePrinterWithList(pNotifyWnd, RUNTIME_CLASS(CNetworkPort), answer.Address(), answer.Name(), &tested);
    return false;
}
