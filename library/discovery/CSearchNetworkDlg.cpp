#include "CSearchNetworkDlg.h"

#include <chrono>

#include "CDetectPrintersThread.h"
#include "messages.h"

CSearchNetworkDlg::~CSearchNetworkDlg()
{
    if (m_pDetectThread) CBaseThread::Stop(m_pDetectThread);
    m_pDetectThread = nullptr;
}

bool CSearchNetworkDlg::StartDetection(unsigned searchPeriodMs,
                                       std::function<void(const DiscoveryResponsePacketF3&)> onAnswer,
                                       std::function<bool(unsigned sliceMs)> settle)
{
    m_settle = std::move(settle);
    // Started suspended so the search period and the observer are set before the thread reads them.
    m_pDetectThread = AfxBeginThread<CDetectPrintersThread>(true);
    if (!m_pDetectThread) return false;
    m_pDetectThread->m_nSearchPeriodMs = searchPeriodMs;
    m_pDetectThread->m_onAnswer = std::move(onAnswer);
    m_pDetectThread->ResumeThread();
    return true;
}

int CSearchNetworkDlg::DoModal() { return AfxUserInterface().RunSearchWait(*this); }

std::vector<DiscoveryResponsePacketF3> CSearchNetworkDlg::Results() const
{
    return m_pDetectThread ? m_pDetectThread->Results() : std::vector<DiscoveryResponsePacketF3>();
}

CNetworkSearchReport CSearchNetworkDlg::Report() const
{
    return m_pDetectThread ? m_pDetectThread->Report() : CNetworkSearchReport();
}

void CSearchNetworkDlg::StopObserving()
{
    if (m_pDetectThread) m_pDetectThread->StopObserving();
}

void CSearchNetworkDlg::Begin()
{
    if (m_pDetectThread)
        PostThreadMessage(m_pDetectThread->m_nThreadID, WM_SEARCH_START, reinterpret_cast<WPARAM>(static_cast<CWnd*>(this)), 0);
}

bool CSearchNetworkDlg::WaitForEnd(unsigned timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_doneChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_bDone; });
}

void CSearchNetworkDlg::Cancel()
{
    if (m_pDetectThread)
        PostThreadMessage(m_pDetectThread->m_nThreadID, WM_SEARCH_CANCEL, reinterpret_cast<WPARAM>(static_cast<CWnd*>(this)), 0);
}

bool CSearchNetworkDlg::Settle(unsigned sliceMs) { return !m_settle || m_settle(sliceMs); }

void CSearchNetworkDlg::PostMessage(unsigned message, WPARAM, LPARAM)
{
    if (message != WM_SEARCH_DONE) return;
    std::lock_guard lock(m_mutex);
    m_bDone = true;
    m_doneChanged.notify_all();
}
