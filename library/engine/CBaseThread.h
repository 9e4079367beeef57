// Common class of the library's workers: runs its loop, ends on WM_THREAD_QUIT, and is
// stopped by its owner with a bounded wait.
#pragma once

#include "CWinThread.h"

// How long an owner waits for a worker to end before giving up on it.
inline constexpr unsigned kThreadStopTimeoutMs = 15000;

class CBaseThread : public CWinThread {
public:
    const CThreadMessageMap* GetMessageMap() const override;
    bool InitInstance() override;

    // Posts WM_THREAD_QUIT to a live worker and waits up to timeoutMs for it to end; true
    // when it ended. The worker must not be touched afterwards either way.
    static bool Stop(CWinThread* pThread, unsigned timeoutMs = kThreadStopTimeoutMs);

protected:
    void OnThreadQuit(WPARAM wParam, LPARAM lParam);
};
