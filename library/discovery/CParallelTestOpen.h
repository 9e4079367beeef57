// Test-opens the ports of the printers a search found, many at a time and off the caller's
// thread: a big site's printers must not be waited for one after the other.
#pragma once

#include <cstddef>
#include <exception>
#include <map>
#include <memory>
#include <vector>

#include "CObject.h"
#include "CPortBase.h"
#include "CString.h"

class CParallelTestOpen {
public:
    static constexpr unsigned kMostAtOnce = 64;

    // Creates and test-opens a port of kind for each of portNames (distinct ignoring case),
    // at most mostAtOnce at a time; returns once every test-open has ended.
    CParallelTestOpen(const CRuntimeClass* kind, const std::vector<CString>& portNames,
                      unsigned mostAtOnce = kMostAtOnce);
    // Frees the ports and errors never taken.
    ~CParallelTestOpen();
    CParallelTestOpen(const CParallelTestOpen&) = delete;
    CParallelTestOpen& operator=(const CParallelTestOpen&) = delete;

    // Hands over the outcome for portName (ignoring case) once: the port, tested and closed,
    // or the error its test-open raised, thrown here on the caller's thread just as a test-open
    // made here would throw it. False when there is none (never prepared, or taken already).
    bool Take(const CString& portName, std::unique_ptr<CPortBase>& port);

private:
    struct Outcome {
        std::unique_ptr<CPortBase> port;
        std::exception_ptr error;
    };
    std::map<CString, Outcome, LessNoCase> m_outcomes;
};
