// Auto-detection: the collection's share of finding printers on USB and on the network.
#include <chrono>
#include <limits>
#include <optional>
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
    // arrive. The list itself is changed in arrival order once the search is over, a slice
    // at a time while the wait is still up, so that a window stays answering while a big
    // site's printers are entered.
    CParallelTestOpen tested(RUNTIME_CLASS(CNetworkPort), PortsOf(*this));
    CSearchNetworkDlg search;
    m_lastNetworkSearch = CNetworkSearchReport();
    auto testOpen = [&tested](const DiscoveryResponsePacketF3& answer) { tested.Add(answer.Address()); };
    std::optional<std::vector<DiscoveryResponsePacketF3>> answers;
    std::size_t entered = 0;
    auto enter = [&](unsigned sliceMs) {
        if (!answers) {
            answers = search.Results();
            tested.Finish();
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
        while (entered < answers->size()) {
            const DiscoveryResponsePacketF3& answer = (*answers)[entered++];
            ReconcilePrinterWithList(pNotifyWnd, RUNTIME_CLASS(CNetworkPort), answer.Address(), answer.Name(), &tested);
            if (std::chrono::steady_clock::now() >= until) break;
        }
        return entered == answers->size();
    };
    if (!search.StartDetection(m_nSearchPeriodMs, testOpen, enter)) return false;
    const int ended = search.DoModal();
    search.StopObserving();
    m_lastNetworkSearch = search.Report();
    // A wait that entered nothing, or only part, leaves the rest to be entered here; one
    // cancelled before the search's end enters nothing.
    if (ended == IDOK || answers) enter(std::numeric_limits<unsigned>::max());
    return false;
}
