// Deleting printers, choosing files, downloading and cancelling through the printer list.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "CQuarnPrinterException.h"
#include "RecordingWnd.h"
#include "ScratchFile.h"
#include "collection_test_access.h"
#include "messages.h"
#include "PrinterErrorOf.h"

namespace {

class CollectionMembers : public ::testing::Test {
protected:
    CQuarnPrinter* Enter(const CString& name, FakePort*& port)
    {
        return CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, name, port, &m_window);
    }
    std::size_t Ends() const { return m_window.Count(WM_DOWNLOAD_END); }

    IsolatedSettings m_settings;  // the ceiling is 1: downloads run one after the other
    RecordingWnd m_window;
    CQuarnPrinters m_printers;
};

}  // namespace

TEST_F(CollectionMembers, NullOrForeignRecordIsAConfigurationError)
{
    FakePort* port = nullptr;
    Enter("Kept", port);
    CQuarnPrinter foreign;
    foreign.m_strName = "Kept";

    EXPECT_EQ(PrinterErrorOf([&] { m_printers.DeletePrinter(nullptr); }), errConfiguration);
    EXPECT_EQ(PrinterErrorOf([&] { m_printers.SetDownloadFile(nullptr, "/a"); }), errConfiguration);
    // A record of the same name that is not the list's own must not take the list's one with it.
    EXPECT_EQ(PrinterErrorOf([&] { m_printers.DeletePrinter(&foreign); }), errConfiguration);
    EXPECT_EQ(PrinterErrorOf([&] { m_printers.SetDownloadFile(&foreign, "/a"); }), errConfiguration);
    EXPECT_EQ(m_printers.GetPrinterCount(), 1);
    EXPECT_FALSE(m_printers.IsModified());
}

TEST_F(CollectionMembers, DeletePrinterStopsRemovesAndFreesIt)
{
    FakePort* port = nullptr;
    std::atomic<bool> portDestroyed{false};
    CQuarnPrinter* gone = CQuarnPrintersTestAccess::EnterWithFakePort(m_printers, "Gone", port, &m_window, "",
                                                                      &portDestroyed);
    Enter("Stays", port);
    const int refCount = CQuarnPrinterData::m_nRefCount;

    m_printers.DeletePrinter(gone);

    EXPECT_TRUE(portDestroyed);
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, refCount - 1);
    ASSERT_EQ(m_printers.GetPrinterCount(), 1);
    POSITION pos = m_printers.GetFirstPrinter();
    EXPECT_EQ(m_printers.GetNextPrinter(pos)->Name(), "Stays");
    EXPECT_TRUE(m_printers.IsModified());
}

TEST_F(CollectionMembers, DownloadFileChangeOfLetterCaseIsStoredButIsNoChange)
{
    FakePort* port = nullptr;
    CQuarnPrinter* printer = Enter("P", port);

    m_printers.SetDownloadFile(printer, "/fw/Image.qpl");
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_EQ(printer->DownloadFile(), "/fw/Image.qpl");

    m_printers.SetModified(false);
    m_printers.SetDownloadFile(printer, "/FW/image.QPL");
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_EQ(printer->DownloadFile(), "/FW/image.QPL");

    m_printers.SetDownloadFile(printer, "");
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_EQ(printer->DownloadFile(), "");
}

TEST_F(CollectionMembers, DownloadToAllSkipsPrintersWithoutAFile)
{
    const ScratchFile file(ScratchFile::Pattern(5000));
    FakePort *withFile = nullptr, *withoutFile = nullptr;
    m_printers.SetDownloadFile(Enter("A", withFile), file.Path());
    Enter("B", withoutFile);

    EXPECT_NO_THROW(m_printers.DownloadToPrinters(nullptr));

    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1));
    EXPECT_EQ(withFile->Received(), ScratchFile::Pattern(5000));
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_EQ(withoutFile->OpenCount(), 0);
}

TEST_F(CollectionMembers, SelectionQueuesOnlyItsPrintersAndAnEmptyOneNothing)
{
    const ScratchFile file(ScratchFile::Pattern(3000));
    FakePort *portA = nullptr, *portB = nullptr;
    CQuarnPrinter* a = Enter("A", portA);
    CQuarnPrinter* b = Enter("B", portB);
    m_printers.SetDownloadFile(a, file.Path());
    m_printers.SetDownloadFile(b, file.Path());

    const CMapStringToOb empty;
    m_printers.DownloadToPrinters(&empty);
    const CMapStringToOb onlyB = {{"B", b}};
    m_printers.DownloadToPrinters(&onlyB);

    // Downloads run one at a time in request order: had the empty selection queued A, its
    // download would have ended first.
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1));
    EXPECT_EQ(portB->Received(), ScratchFile::Pattern(3000));
    EXPECT_EQ(portA->OpenCount(), 0);
    EXPECT_EQ(Ends(), 1u);
}

TEST_F(CollectionMembers, CancelStopsTheRunningDownloadAndLaterRequestsRunInFull)
{
    constexpr std::size_t kLength = 64 * 1024;
    const ScratchFile file(ScratchFile::Pattern(kLength));
    FakePort *portA = nullptr, *portB = nullptr;
    CQuarnPrinter* a = Enter("A", portA);
    CQuarnPrinter* b = Enter("B", portB);
    for (CQuarnPrinter* printer : {a, b}) m_printers.SetDownloadFile(printer, file.Path());

    portA->HoldWrites();
    const CMapStringToOb onlyA = {{"A", a}};
    m_printers.DownloadToPrinters(&onlyA);
    ASSERT_TRUE(portA->WaitUntilHeld());
    m_printers.CancelDownload();
    portA->ReleaseWrites();

    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1));
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_LT(portA->Received().size(), kLength);
    EXPECT_EQ(portA->Received(), ScratchFile::Pattern(kLength).substr(0, portA->Received().size()));

    // The cancel signal belonged to that download; the next request is not cut short by it.
    const CMapStringToOb onlyB = {{"B", b}};
    m_printers.DownloadToPrinters(&onlyB);
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 2));
    EXPECT_EQ(portB->Received(), ScratchFile::Pattern(kLength));
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), (std::vector<LPARAM>{1, 1}));
}

TEST_F(CollectionMembers, DestructorFreesEveryPrinterAndItsPort)
{
    std::atomic<bool> destroyed[2] = {false, false};
    const int refCount = CQuarnPrinterData::m_nRefCount;
    {
        CQuarnPrinters printers;
        printers.IsAlreadyRunning();
        for (int i = 0; i < 2; ++i) {
            FakePort* port = nullptr;
            CQuarnPrintersTestAccess::EnterWithFakePort(printers, FormatString("P%d", i), port, nullptr, "",
                                                        &destroyed[i]);
        }
    }
    EXPECT_TRUE(destroyed[0]);
    EXPECT_TRUE(destroyed[1]);
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, refCount);
    // The lock went with the list.
    EXPECT_FALSE(CQuarnPrinters().IsAlreadyRunning());
}
