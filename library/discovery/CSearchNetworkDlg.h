// One network search as the user sees it: the "Please Wait" dialog's logic in front of
// the detection thread. The user interface shows it (RunSearchWait); this class starts,
// ends and cancels the search and hands out its results.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "CQuarnPrinters.h"
#include "CWnd.h"
#include "DiscoveryPacket.h"
#include "IUserInterface.h"

class CDetectPrintersThread;

class CSearchNetworkDlg : public CWnd, public ISearchWait {
public:
    CSearchNetworkDlg() = default;
    // Stops the detection thread (bounded wait); its socket and records go with it.
    ~CSearchNetworkDlg() override;
    CSearchNetworkDlg(const CSearchNetworkDlg&) = delete;
    CSearchNetworkDlg& operator=(const CSearchNetworkDlg&) = delete;

    // Starts the detection thread; false when it cannot be made. onAnswer, when given, is
    // told of each answer as it arrives, on the detection thread, until StopObserving.
    // settle, when given, serves Settle on the caller's thread once the search has ended.
    bool StartDetection(unsigned searchPeriodMs = 10000,
                        std::function<void(const DiscoveryResponsePacketF3&)> onAnswer = {},
                        std::function<bool(unsigned sliceMs)> settle = {});
    void StopObserving();
    // Shows the wait through the user interface: IDOK when the search period ended,
    // IDCANCEL when the user cancelled.
    int DoModal();

    // The answers of the search; read only after DoModal returned IDOK.
    std::vector<DiscoveryResponsePacketF3> Results() const;
    // What the search met; read, like the results, after DoModal.
    CNetworkSearchReport Report() const;

    // ISearchWait
    void Begin() override;
    bool WaitForEnd(unsigned timeoutMs) override;
    void Cancel() override;
    bool Settle(unsigned sliceMs) override;

    // Receives WM_SEARCH_DONE from the detection thread.
    void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;

private:
    CDetectPrintersThread* m_pDetectThread = nullptr;  // not owned: ends its own life
    std::function<bool(unsigned sliceMs)> m_settle;
    std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_bDone = false;
};
