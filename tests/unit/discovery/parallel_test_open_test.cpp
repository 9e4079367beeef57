// The test-opens of detected printers as their answers arrive: many at once but bounded, each
// port once, and every error handed to the caller's thread as the printer error it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "CParallelTestOpen.h"
#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"

namespace {

// A port whose open takes a moment, counts how many opens overlap, and refuses names
// that begin with "bad".
class OverlapPort : public CPortBase {
    DECLARE_DYNCREATE(OverlapPort)
public:
    void Open() override
    {
        const int now = ++s_nOpening;
        int most = s_nMost.load();
        while (now > most && !s_nMost.compare_exchange_weak(most, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --s_nOpening;
        ++s_nOpened;
        if (PortName().rfind("bad", 0) == 0) throw new CQuarnPrinterException(errPortUnavailable);
    }

    static inline std::atomic<int> s_nOpening{0};
    static inline std::atomic<int> s_nMost{0};
    static inline std::atomic<int> s_nOpened{0};
};
IMPLEMENT_DYNCREATE(OverlapPort, CPortBase)

std::vector<CString> Names(int count)
{
    std::vector<CString> names;
    for (int i = 0; i < count; ++i) names.push_back("port" + std::to_string(i));
    return names;
}

}  // namespace

TEST(ParallelTestOpen, OpensManyAtOnceNeverMoreThanTheBoundEachNameOnceAndHandsEachPortOverOnce)
{
    OverlapPort::s_nMost = 0;
    OverlapPort::s_nOpened = 0;
    const std::vector<CString> names = Names(48);
    CParallelTestOpen tested(RUNTIME_CLASS(OverlapPort), {"known"}, 6);
    for (const CString& name : names) tested.Add(name);
    // The same printer answering again, and one the list has already, are not opened again.
    tested.Add("PORT3");
    tested.Add("Known");
    tested.Finish();
    EXPECT_EQ(OverlapPort::s_nOpened, 48);
    EXPECT_GT(OverlapPort::s_nMost, 1);
    EXPECT_LE(OverlapPort::s_nMost, 6);
    std::unique_ptr<CPortBase> port;
    EXPECT_FALSE(tested.Take("known", port));
    for (const CString& name : names) {
        ASSERT_TRUE(tested.Take(name, port)) << name;
        ASSERT_NE(port, nullptr);
        EXPECT_EQ(port->PortName(), name);
        EXPECT_FALSE(tested.Take(name, port)) << name << " handed over twice";
    }
}

TEST(ParallelTestOpen, AFailedOpenIsThrownOnTheCallersThreadAsThePrinterErrorItWas)
{
    CParallelTestOpen tested(RUNTIME_CLASS(OverlapPort));
    tested.Add("good");
    tested.Add("bad-printer");
    tested.Finish();
    std::unique_ptr<CPortBase> port;
    unsigned long code = 0;
    try {
        // Port names are told apart without regard to case.
        tested.Take("BAD-printer", port);
    } catch (CQuarnPrinterException* e) {
        code = e->m_dwCode;
        e->Delete();
    }
    EXPECT_EQ(code, static_cast<unsigned long>(errPortUnavailable));
    EXPECT_EQ(port, nullptr);
    EXPECT_FALSE(tested.Take("never-added", port));
    EXPECT_TRUE(tested.Take("GOOD", port));
}
