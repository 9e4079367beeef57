// Merging a detected printer into the list by its port.
#include <gtest/gtest.h>

#include "CObject.h"
#include "CPortBase.h"
#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"
#include "ScriptedUserInterface.h"
#include "StringTable.h"
#include "collection_test_access.h"

namespace {

// Ports a detection can hand over, made by class like real ones; their open succeeds or
// fails with a fixed code.
class AnsweringPort : public CPortBase {
    DECLARE_DYNCREATE(AnsweringPort)
public:
    void Open() override {}
    void Close() override {}
};
IMPLEMENT_DYNCREATE(AnsweringPort, CPortBase)

class SilentPort : public CPortBase {
    DECLARE_DYNCREATE(SilentPort)
public:
    void Open() override { ThrowPrinterError(errTimeout); }
};
IMPLEMENT_DYNCREATE(SilentPort, CPortBase)

class MissingPort : public CPortBase {
    DECLARE_DYNCREATE(MissingPort)
public:
    void Open() override { ThrowPrinterError(errPortUnavailable); }
};
IMPLEMENT_DYNCREATE(MissingPort, CPortBase)

class CollectionReconcile : public ::testing::Test {
protected:
    void Reconcile(const CRuntimeClass* kind, const CString& portName, const CString& name)
    {
        CQuarnPrintersTestAccess::Reconcile(m_printers, nullptr, kind, portName, name);
    }
    std::vector<std::pair<CString, CString>> NamesAndPorts() const
    {
        std::vector<std::pair<CString, CString>> entries;
        for (POSITION pos = m_printers.GetFirstPrinter(); pos;) {
            CQuarnPrinterData* printer = m_printers.GetNextPrinter(pos);
            entries.emplace_back(printer->Name(), printer->Port());
        }
        return entries;
    }
    using Entries = std::vector<std::pair<CString, CString>>;

    IsolatedSettings m_settings;
    ScriptedUserInterface m_ui;
    CQuarnPrinters m_printers;
    FakePort* m_port = nullptr;
};

}  // namespace

TEST_F(CollectionReconcile, KnownPortIgnoringCaseGetsTheDetectedName)
{
    CQuarnPrinter* known = CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Printer#1", m_port, nullptr, "/dev/usb/LP0");

    Reconcile(RUNTIME_CLASS(AnsweringPort), "/dev/usb/lp0", "Shipping");

    EXPECT_EQ(NamesAndPorts(), (Entries{{"Shipping", "/dev/usb/LP0"}}));
    EXPECT_EQ(known->Name(), "Shipping");
    EXPECT_TRUE(m_printers.IsModified());
}

TEST_F(CollectionReconcile, KnownPortWithEmptyOrSameNameChangesNothing)
{
    CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Shipping", m_port, nullptr, "10.0.0.5");

    Reconcile(RUNTIME_CLASS(AnsweringPort), "10.0.0.5", "");
    Reconcile(RUNTIME_CLASS(AnsweringPort), "10.0.0.5", "Shipping");

    EXPECT_EQ(NamesAndPorts(), (Entries{{"Shipping", "10.0.0.5"}}));
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(CollectionReconcile, RenameNeverPushesAnotherPrinterOut)
{
    CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Office", m_port, nullptr, "10.0.0.1");
    CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Printer#2", m_port, nullptr, "10.0.0.2");

    Reconcile(RUNTIME_CLASS(AnsweringPort), "10.0.0.2", "Office");

    EXPECT_EQ(NamesAndPorts(), (Entries{{"Office", "10.0.0.1"}, {"Printer#2", "10.0.0.2"}}));
    EXPECT_FALSE(m_printers.IsModified());
}

TEST_F(CollectionReconcile, NewPortBecomesANewPrinterWithItsThread)
{
    Reconcile(RUNTIME_CLASS(AnsweringPort), "10.0.0.9", "Dock");

    ASSERT_EQ(NamesAndPorts(), (Entries{{"Dock", "10.0.0.9"}}));
    POSITION pos = m_printers.GetFirstPrinter();
    auto* printer = static_cast<CQuarnPrinter*>(m_printers.GetNextPrinter(pos));
    EXPECT_NE(printer->m_pThread, nullptr);
    EXPECT_TRUE(m_printers.IsModified());
}

TEST_F(CollectionReconcile, NewPrinterWhoseNameIsTakenGetsAFreeDefaultName)
{
    CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Dock", m_port, nullptr, "10.0.0.1");
    CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Printer#1", m_port, nullptr, "10.0.0.2");

    Reconcile(RUNTIME_CLASS(AnsweringPort), "10.0.0.3", "Dock");

    EXPECT_EQ(NamesAndPorts(), (Entries{{"Dock", "10.0.0.1"}, {"Printer#1", "10.0.0.2"}, {"Printer#2", "10.0.0.3"}}));
}

TEST_F(CollectionReconcile, PrinterErrorsAreShownExceptTimeoutsAndNothingIsAdded)
{
    const int refCount = CQuarnPrinterData::m_nRefCount;

    Reconcile(RUNTIME_CLASS(SilentPort), "10.0.0.7", "Quiet");
    EXPECT_TRUE(m_ui.Texts().empty());

    Reconcile(RUNTIME_CLASS(MissingPort), "10.0.0.8", "Gone");
    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{LoadStringResource(IDS_ERR_PORT_UNAVAILABLE)});

    EXPECT_EQ(m_printers.GetPrinterCount(), 0);
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, refCount);
}
