// Auto-detection: the collection's share of finding printers on USB and on the network.
#include "CNetworkPort.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CSearchNetworkDlg.h"
#include "CUSBAccessLibrary.h"
#include "CUSBPort.h"
#include "IUserInterface.h"

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
    if (!search.StartDetection(m_nSearchPeriodMs) || search.DoModal() != IDOK) return false;
    for (const DiscoveryResponsePacketF3& answer : search.Results())
        ReconcilePrinterWithList(pNotifyWnd, RUNTIME_CLASS(CNetworkPort), answer.Address(), answer.Name());
    return false;
}
