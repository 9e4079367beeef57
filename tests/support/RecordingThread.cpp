#include "RecordingThread.h"

#include <iterator>

#include "messages.h"

RecordingThread* RecordingThread::Start(RecordingWnd* pLog, WPARAM tag)
{
    auto* pThread = AfxBeginThread<RecordingThread>(true);
    if (!pThread) return nullptr;
    pThread->m_pLog = pLog;
    pThread->m_tag = tag;
    pThread->ResumeThread();
    return pThread;
}

const CThreadMessageMap* RecordingThread::GetMessageMap() const
{
    static const CThreadMessageEntry entries[] = {
        ON_THREAD_MESSAGE(WM_DOWNLOAD, RecordingThread::OnDownload),
        ON_THREAD_MESSAGE(WM_DOWNLOAD_DONE, RecordingThread::OnDownloadDone),
    };
    static const CThreadMessageMap map = {CBaseThread::GetMessageMap(), entries, std::size(entries)};
    return &map;
}

void RecordingThread::OnDownload(WPARAM wParam, LPARAM) { m_pLog->PostMessage(WM_DOWNLOAD, m_tag, wParam); }

void RecordingThread::OnDownloadDone(WPARAM wParam, LPARAM)
{
    m_pLog->PostMessage(WM_DOWNLOAD_DONE, m_tag, wParam);
}
