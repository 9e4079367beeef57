// A network search for the wait dialog's tests: it only notes what the dialog asked of it,
// ends when the test says so and enters its finds in as many slices as the test asks.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>

#include "IUserInterface.h"

class FakeSearch : public ISearchWait {
public:
    void Begin() override { ++m_nBegun; }
    bool WaitForEnd(unsigned) override { return m_bEnded; }
    void Cancel() override { ++m_nCancelled; }
    bool Settle(unsigned sliceMs) override
    {
        const int slice = ++m_nSlices;
        m_nLongestSliceMs = std::max(m_nLongestSliceMs, sliceMs);
        m_nDeepest = std::max(m_nDeepest, ++m_nDepth);
        if (m_duringSlice) m_duringSlice(slice);
        --m_nDepth;
        return slice >= m_nSlicesNeeded;
    }

    void End() { m_bEnded = true; }
    // What was found takes this many calls of Settle to enter; each runs duringSlice first.
    void SettleIn(int slices, std::function<void(int slice)> duringSlice)
    {
        m_nSlicesNeeded = slices;
        m_duringSlice = std::move(duringSlice);
    }
    int Slices() const { return m_nSlices; }
    unsigned LongestSliceMs() const { return m_nLongestSliceMs; }
    // More than 1 when a slice began inside another.
    int DeepestSlices() const { return m_nDeepest; }
    int Begun() const { return m_nBegun; }
    int Cancelled() const { return m_nCancelled; }

private:
    std::atomic<int> m_nBegun = 0;
    std::atomic<int> m_nCancelled = 0;
    std::atomic<bool> m_bEnded = false;
    int m_nSlicesNeeded = 1;
    std::function<void(int)> m_duringSlice;
    int m_nSlices = 0;
    unsigned m_nLongestSliceMs = 0;
    int m_nDepth = 0;
    int m_nDeepest = 0;
};
