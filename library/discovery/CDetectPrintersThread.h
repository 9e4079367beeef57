// The worker of one network search: owns the discovery socket, broadcasts the request,
// collects answers for the search period and then tells the search dialog it is over.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "CBaseThread.h"
#include "CQuarnPrinters.h"
#include "CUDPSocket.h"

class CDetectPrintersThread : public CBaseThread, public IDiscoveryResults {
public:
    static constexpr unsigned kSearchPeriodMs = 10000;

    CDetectPrintersThread() = default;
    ~CDetectPrintersThread() override;

    const CThreadMessageMap* GetMessageMap() const override;
    bool InitInstance() override;
    int ExitInstance() override;

    // Answers are kept only while a search is running, so once it has ended the results
    // can be read without a late answer changing them.
    void AppendResult(std::unique_ptr<DiscoveryResponsePacketF3> record) override;
    // The records of the last search in arrival order.
    std::vector<DiscoveryResponsePacketF3> Results() const;
    // What the last search met; complete once it has ended.
    CNetworkSearchReport Report() const;

    // How long a search collects answers; set before the thread starts (tests shorten it).
    unsigned m_nSearchPeriodMs = kSearchPeriodMs;
    // Told of every answer kept, on this thread, as it arrives; set before the thread starts.
    using AnswerObserver = std::function<void(const DiscoveryResponsePacketF3&)>;
    AnswerObserver m_onAnswer;
    // No answer is told of once this returns, so that the observer may go.
    void StopObserving();

protected:
    int WatchedDescriptor() const override;
    void OnDescriptorReady() override;

private:
    void OnSearchStart(WPARAM wParam, LPARAM lParam);
    void OnSearchTimeout(WPARAM wParam, LPARAM lParam);
    void OnSearchCancel(WPARAM wParam, LPARAM lParam);
    void ArmTimer(unsigned milliseconds);

    std::unique_ptr<CUDPSocket> m_pUdpSocket;
    // One descriptor that becomes readable for an answer or the end of the search period.
    int m_hWatch = -1;
    int m_hTimer = -1;
    WPARAM m_searchWindow = 0;  // the dialog of the running search, 0 when none runs

    mutable std::mutex m_resultsMutex;
    bool m_bSearching = false;
    CNetworkSearchReport m_report;
    std::uint32_t m_nLostBefore = 0;  // the socket's count of dropped datagrams when the search began
    std::vector<std::unique_ptr<DiscoveryResponsePacketF3>> m_results;
};
