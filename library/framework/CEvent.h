// A manual-reset signal shared between threads: a download's cancel request, a thread's
// end, a suspended thread's start.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

class CEvent {
public:
    // Wakes every waiter and stays signalled until reset, so a poll never consumes it.
    void SetEvent();
    void ResetEvent();
    // Waits up to timeoutMs (0 = just look); true when the event is signalled.
    bool Wait(unsigned timeoutMs) const;
    // Waits without a limit.
    void Wait() const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_bSignalled = false;
};

// The handle an owner waits on: shared, so it outlives a thread object that deletes itself.
using HANDLE = std::shared_ptr<CEvent>;

// True when handle was signalled within timeoutMs.
bool WaitForSingleObject(const HANDLE& handle, unsigned timeoutMs);
