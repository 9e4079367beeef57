// Test-opens the ports of the printers a search finds, many at a time and off the caller's
// thread, as their answers arrive: a big site's printers must not be waited for one after
// the other once the search is over.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "CObject.h"
#include "CPortBase.h"
#include "CString.h"

class CParallelTestOpen {
public:
    static constexpr unsigned kMostAtOnce = 64;

    // Ports of kind named in known (ignoring case) are never test-opened: the list has them.
    explicit CParallelTestOpen(const CRuntimeClass* kind, std::set<CString, LessNoCase> known = {},
                               unsigned mostAtOnce = kMostAtOnce);
    // Drops the test-opens not yet begun, waits for those under way, and frees the ports and
    // errors never taken.
    ~CParallelTestOpen();
    CParallelTestOpen(const CParallelTestOpen&) = delete;
    CParallelTestOpen& operator=(const CParallelTestOpen&) = delete;

    // Starts the test-open of a port of kind named portName, unless one was started for that
    // name (ignoring case) or it is known; at most mostAtOnce run at a time. Any thread.
    void Add(const CString& portName);
    // Waits until every test-open added has ended. Add must not be called after it.
    void Finish();

    // After Finish: hands over the outcome for portName (ignoring case) once: the port,
    // tested and closed, or the error its test-open raised, thrown here on the caller's
    // thread just as a test-open made here would throw it. False when there is none (never
    // added, or taken already).
    bool Take(const CString& portName, std::unique_ptr<CPortBase>& port);
    // After Finish: true while an outcome for portName waits to be taken. Such a port is in no
    // list yet: the list's own ports are never test-opened, and adding one takes its outcome.
    bool Has(const CString& portName) const { return m_outcomes.contains(portName); }

private:
    struct Outcome {
        std::unique_ptr<CPortBase> port;
        std::exception_ptr error;
    };

    void Work();

    const CRuntimeClass* m_pKind;
    const unsigned m_nMostAtOnce;
    std::mutex m_mutex;
    std::condition_variable m_workArrived;
    std::set<CString, LessNoCase> m_setSeen;
    std::deque<CString> m_waiting;
    std::map<CString, Outcome, LessNoCase> m_outcomes;
    std::vector<std::thread> m_workers;
    unsigned m_nIdle = 0;
    bool m_bFinishing = false;
};
