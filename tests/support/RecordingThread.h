// A worker for tests that stands in for a printer thread or the scheduler: every
// WM_DOWNLOAD and WM_DOWNLOAD_DONE it receives is passed on to a log window as
// (message, its tag, the message's wParam).
#pragma once

#include "CBaseThread.h"
#include "RecordingWnd.h"

class RecordingThread : public CBaseThread {
public:
    // Started running; pLog must outlive the thread.
    static RecordingThread* Start(RecordingWnd* pLog, WPARAM tag);

    const CThreadMessageMap* GetMessageMap() const override;

private:
    void OnDownload(WPARAM wParam, LPARAM lParam);
    void OnDownloadDone(WPARAM wParam, LPARAM lParam);

    RecordingWnd* m_pLog = nullptr;
    WPARAM m_tag = 0;
};
