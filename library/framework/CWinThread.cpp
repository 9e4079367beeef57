#include "CWinThread.h"

#include <system_error>
#include <thread>

#include "CThreadRegistry.h"

namespace {
thread_local CThreadMessageQueue* t_pCurrentQueue = nullptr;
}

bool CWinThread::CreateThread(bool bSuspended)
{
    try {
        m_pQueue = std::make_shared<CThreadMessageQueue>();
        m_hThread = std::make_shared<CEvent>();
        m_hResume = std::make_shared<CEvent>();
        m_nThreadID = CThreadRegistry::Register(m_pQueue);
        if (m_nThreadID == 0) return false;
        if (!bSuspended) m_hResume->SetEvent();
        // Detached: the object deletes itself, and owners wait on m_hThread instead.
        std::thread(&CWinThread::ThreadMain, this, m_hResume, m_hThread, m_nThreadID).detach();
        return true;
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    if (m_nThreadID != 0) CThreadRegistry::Unregister(m_nThreadID);
    return false;
}

void CWinThread::ResumeThread() { m_hResume->SetEvent(); }

void CWinThread::ThreadMain(CWinThread* pThread, HANDLE hResume, HANDLE hEnded, std::uint32_t nThreadID)
{
    hResume->Wait();
    t_pCurrentQueue = pThread->m_pQueue.get();
    if (pThread->InitInstance())
        pThread->Run();
    else
        pThread->ExitInstance();
    t_pCurrentQueue = nullptr;
    CThreadRegistry::Unregister(nThreadID);
    if (pThread->m_bAutoDelete) delete pThread;
    hEnded->SetEvent();
}

const CThreadMessageMap* CWinThread::GetMessageMap() const { return nullptr; }

bool CWinThread::InitInstance() { return false; }

bool CWinThread::OnIdle(long) { return false; }

int CWinThread::ExitInstance() { return 0; }

int CWinThread::WatchedDescriptor() const { return -1; }

void CWinThread::OnDescriptorReady() {}

int CWinThread::Run()
{
    bool bIdle = true;
    long lIdleCount = 0;
    for (;;) {
        // A pending quit counts as a waiting message, so no idle pass runs before it.
        while (bIdle && !m_pQueue->HasMessage()) {
            if (!OnIdle(lIdleCount++)) bIdle = false;
        }
        do {
            CThreadMessage message;
            switch (m_pQueue->Wait(message, WatchedDescriptor())) {
            case CThreadMessageQueue::waitQuit:
                return ExitInstance();
            case CThreadMessageQueue::waitMessage:
                Dispatch(message);
                break;
            case CThreadMessageQueue::waitDescriptor:
                OnDescriptorReady();
                break;
            }
            bIdle = true;
            lIdleCount = 0;
        } while (m_pQueue->HasMessage());
    }
}

void CWinThread::Dispatch(const CThreadMessage& message)
{
    for (const CThreadMessageMap* pMap = GetMessageMap(); pMap; pMap = pMap->pBaseMap) {
        for (std::size_t i = 0; i < pMap->nEntries; ++i) {
            if (pMap->pEntries[i].nMessage == message.message) {
                (this->*pMap->pEntries[i].pfnHandler)(message.wParam, message.lParam);
                return;
            }
        }
    }
}

bool PostThreadMessage(std::uint32_t nThreadID, unsigned message, WPARAM wParam, LPARAM lParam)
{
    const auto pQueue = CThreadRegistry::Find(nThreadID);
    return pQueue && pQueue->Post({message, wParam, lParam});
}

void ReplaceThreadMessages(std::uint32_t nThreadID, unsigned message, unsigned replacement)
{
    if (const auto pQueue = CThreadRegistry::Find(nThreadID)) pQueue->Replace(message, replacement);
}

void PostQuitMessage(int)
{
    if (t_pCurrentQueue) t_pCurrentQueue->PostQuit();
}
