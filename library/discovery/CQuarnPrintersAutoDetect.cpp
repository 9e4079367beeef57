// Auto-detection: the collection's share of finding printers on USB and on the network.
#include <set>

#include "CNetworkPort.h"
#include "CParallelTestOpen.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CSearchNetworkDlg.h"
#include "CUSBAccessLibrary.h"
#include "CUSBPort.h"
#include "IUserInterface.h"

namespace {

// The ports of the list, which detection never test-opens again.
std::set<CString, LessNoCase> PortsOf(const CQuarnPrinters& printers)
{
    std::set<CString, LessNoCase> ports;
    POSITION position = printers.GetFirstPrinter();
    while (position) ports.insert(printers.GetNextPrinter(position)->Port());
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
    // The test-opens are what takes time: they run while the search goes on, as answers
    // arrive; the list itself is changed here, in arrival order, once the search is over.
    CParallelTestOpen tested(RUNTIME_CLASS(CNetworkPort), PortsOf(*this));
    CSearchNetworkDlg search;
    m_lastNetworkSearch = CNetworkSearchReport();
    auto testOpen = [&tested](const DiscoveryResponsePacketF3& answer) { tested.Add(answer.Address()); };
    if (!search.StartDetection(m_nSearchPeriodMs, testOpen)) return false;
    const int ended = search.DoModal();
    search.StopObserving();
    m_lastNetworkSearch = search.Report();
    if (ended != IDOK) return false;
    const std::vector<DiscoveryResponsePacketF3> answers = search.Results();
    tested.Finish();
    for (const DiscoveryResponsePacketF3& answer : answers)
        ReconcilePrinterWithList(pNotifyWnd, RUNTIME_CLASS(CNetworkPort), answer.Address(), answer.Name(), &tested);
    return false;
}
