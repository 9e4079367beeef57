// A network search for the wait dialog's tests: it only notes what the dialog asked of it
// and ends when the test says so.
#pragma once

#include <atomic>

#include "IUserInterface.h"

class FakeSearch : public ISearchWait {
public:
    void Begin() override { ++m_nBegun; }
    bool WaitForEnd(unsigned) override { return m_bEnded; }
    void Cancel() override { ++m_nCancelled; }

    void End() { m_bEnded = true; }
    int Begun() const { return m_nBegun; }
    int Cancelled() const { return m_nCancelled; }

private:
    std::atomic<int> m_nBegun = 0;
    std::atomic<int> m_nCancelled = 0;
    std::atomic<bool> m_bEnded = false;
};
