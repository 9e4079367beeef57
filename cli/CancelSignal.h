// Ctrl-C and SIGTERM turned into a cancel request that the main loop polls.
#pragma once

#include <csignal>

class CancelSignal {
public:
    // Catches SIGINT and SIGTERM until destroyed; the previous handling comes back then.
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    bool Requested() const;

private:
    struct sigaction m_previousInterrupt = {};
    struct sigaction m_previousTerminate = {};
};
