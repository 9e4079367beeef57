#include "CDetectPrintersThread.h"

#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <iterator>

#include "DiscoveryPacket.h"
#include "messages.h"

namespace {
enum : std::uint32_t { kSocketReady = 1, kTimerReady = 2 };
}  // namespace

CDetectPrintersThread::~CDetectPrintersThread()
{
    if (m_hTimer != -1) close(m_hTimer);
    if (m_hWatch != -1) close(m_hWatch);
}

const CThreadMessageMap* CDetectPrintersThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_SEARCH_START, CDetectPrintersThread::OnSearchStart),
        ON_THREAD_MESSAGE(WM_SEARCH_TIMEOUT, CDetectPrintersThread::OnSearchTimeout),
        ON_THREAD_MESSAGE(WM_SEARCH_CANCEL, CDetectPrintersThread::OnSearchCancel),
    };
    static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

bool CDetectPrintersThread::InitInstance()
{
    if (!m_pUdpSocket) m_pUdpSocket = std::make_unique<CUDPSocket>(this, DISCOVERY_PORT);
    m_hTimer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    m_hWatch = epoll_create1(EPOLL_CLOEXEC);
    if (m_hWatch != -1) {
        epoll_event timerEvent{EPOLLIN, {.u32 = kTimerReady}};
        if (m_hTimer != -1) epoll_ctl(m_hWatch, EPOLL_CTL_ADD, m_hTimer, &timerEvent);
        epoll_event socketEvent{EPOLLIN, {.u32 = kSocketReady}};
        if (m_pUdpSocket->IsUsable()) epoll_ctl(m_hWatch, EPOLL_CTL_ADD, m_pUdpSocket->Handle(), &socketEvent);
    }
    return true;
}

int CDetectPrintersThread::ExitInstance()
{
    m_pUdpSocket.reset();
    {
        std::lock_guard lock(m_resultsMutex);
        m_results.clear();
    }
    return CBaseThread::ExitInstance();
}

int CDetectPrintersThread::WatchedDescriptor() const { return m_hWatch; }

void CDetectPrintersThread::OnDescriptorReady()
{
    epoll_event events[2];
    const int count = epoll_wait(m_hWatch, events, 2, 0);
    for (int i = 0; i < count; ++i) {
        if (events[i].data.u32 == kSocketReady) {
            m_pUdpSocket->OnReceive(0);
        } else {
            std::uint64_t expirations = 0;
            if (read(m_hTimer, &expirations, sizeof expirations) == sizeof expirations && m_searchWindow)
                PostThreadMessage(m_nThreadID, WM_SEARCH_TIMEOUT, m_searchWindow, 0);
        }
    }
}

void CDetectPrintersThread::ArmTimer(unsigned milliseconds)
{
    if (m_hTimer == -1) return;
    itimerspec period{};
    period.it_value.tv_sec = milliseconds / 1000;
    period.it_value.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    timerfd_settime(m_hTimer, 0, &period, nullptr);
}

void CDetectPrintersThread::AppendResult(std::unique_ptr<DiscoveryResponsePacketF3> record)
{
    std::lock_guard lock(m_resultsMutex);
    if (!m_bSearching) return;
    if (m_onAnswer) m_onAnswer(*record);
    m_results.push_back(std::move(record));
}

void CDetectPrintersThread::StopObserving()
{
    std::lock_guard lock(m_resultsMutex);
    m_onAnswer = nullptr;
}

std::vector<DiscoveryResponsePacketF3> CDetectPrintersThread::Results() const
{
    std::lock_guard lock(m_resultsMutex);
    std::vector<DiscoveryResponsePacketF3> copy;
    for (const auto& record : m_results) copy.push_back(*record);
    return copy;
}

CNetworkSearchReport CDetectPrintersThread::Report() const
{
    std::lock_guard lock(m_resultsMutex);
    CNetworkSearchReport report = m_report;
    report.answers = m_results.size();
    return report;
}

void CDetectPrintersThread::OnSearchStart(WPARAM wParam, LPARAM)
{
    {
        std::lock_guard lock(m_resultsMutex);
        m_results.clear();
        m_bSearching = true;
        m_report = {true, 0, 0, m_pUdpSocket->ReceiveBufferSize(), {}};
        m_nLostBefore = m_pUdpSocket->LostDatagrams();
    }
    m_searchWindow = wParam;
    // Without a timer nothing would ever end the search: end it at once instead.
    if (m_pUdpSocket->SendDiscoveryRequest() && m_hTimer != -1 && m_hWatch != -1) {
        ArmTimer(m_nSearchPeriodMs);
        return;
    }
    {
        std::lock_guard lock(m_resultsMutex);
        m_report.problem = m_pUdpSocket->Problem();
        if (m_report.problem.empty()) m_report.problem = "the search's timer could not be made";
    }
    PostThreadMessage(m_nThreadID, WM_SEARCH_TIMEOUT, wParam, 0);
}

void CDetectPrintersThread::OnSearchTimeout(WPARAM wParam, LPARAM)
{
    if (m_searchWindow != wParam) return;  // cancelled meanwhile
    // Answers already waiting belong to the search; only those still to come are late.
    m_pUdpSocket->OnReceive(0);
    {
        std::lock_guard lock(m_resultsMutex);
        m_bSearching = false;
        m_report.lostAnswers = m_pUdpSocket->LostDatagrams() - m_nLostBefore;
    }
    m_searchWindow = 0;
    reinterpret_cast<CWnd*>(wParam)->PostMessage(WM_SEARCH_DONE, 0, 0);
}

void CDetectPrintersThread::OnSearchCancel(WPARAM, LPARAM)
{
    {
        std::lock_guard lock(m_resultsMutex);
        m_bSearching = false;
    }
    m_searchWindow = 0;
    ArmTimer(0);
}
