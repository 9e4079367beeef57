// The printer-settings document as the printer list writes and reads it.
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CNetworkPort.h"
#include "CPrinterDocument.h"
#include "CQuarnPrinterException.h"
#include "RecordingWnd.h"
#include "collection_test_access.h"

namespace {

CString Int(std::int32_t value)
{
    CString bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
    return bytes;
}

CString Str(const CString& text) { return CString(1, static_cast<char>(text.size())) + text; }

CString NetworkRecord(const CString& name, const CString& address, std::int32_t tcpPort = 9100)
{
    return Str(name) + Str("") + Str("") + Str("CNetworkPort") + Int(1) + Str(address) + Int(tcpPort);
}

CString Store(CQuarnPrinters& printers)
{
    CArchive archive;
    printers.Serialize(archive, nullptr);
    return archive.Buffer();
}

void Load(CQuarnPrinters& printers, const CString& bytes, CWnd* pNotifyWnd = nullptr)
{
    CArchive archive(bytes);
    printers.Serialize(archive, pNotifyWnd);
}

std::vector<CString> Names(const CQuarnPrinters& printers)
{
    std::vector<CString> names;
    for (POSITION pos = printers.GetFirstPrinter(); pos;) names.push_back(printers.GetNextPrinter(pos)->Name());
    return names;
}

class CollectionDocument : public ::testing::Test {
protected:
    // Every record this test made must be gone when its list is.
    void TearDown() override { EXPECT_EQ(CQuarnPrinterData::m_nRefCount, m_refCountBefore); }

    IsolatedSettings m_settings;
    int m_refCountBefore = CQuarnPrinterData::m_nRefCount;
};

}  // namespace

TEST_F(CollectionDocument, EmptyListIsFourZeroBytesAndLoadsBackEmpty)
{
    CQuarnPrinters printers;
    EXPECT_EQ(Store(printers), CString(4, '\0'));
    EXPECT_EQ(printers.GetFirstPrinter(), nullptr);

    CQuarnPrinters loaded;
    Load(loaded, CString(4, '\0'));
    EXPECT_EQ(loaded.GetPrinterCount(), 0);
    EXPECT_FALSE(loaded.IsModified());
}

TEST_F(CollectionDocument, OneNetworkPrinterHasTheDocumentedBytesBothWays)
{
    const CString expected = CString("\x01\x00\x00\x00", 4) + "\x09" "Printer#1" + CString(2, '\0') +
                             "\x0C" "CNetworkPort" + CString("\x01\x00\x00\x00", 4) + "\x08" "10.0.0.5" +
                             CString("\x8C\x23\x00\x00", 4);
    RecordingWnd window;
    CQuarnPrinters printers;
    Load(printers, expected, &window);

    ASSERT_EQ(printers.GetPrinterCount(), 1);
    POSITION pos = printers.GetFirstPrinter();
    auto* printer = static_cast<CQuarnPrinter*>(printers.GetNextPrinter(pos));
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(printer->Name(), "Printer#1");
    EXPECT_EQ(printer->Port(), "10.0.0.5");
    EXPECT_TRUE(printer->m_bCalibrate);
    EXPECT_EQ(printer->m_pNotifyWnd, &window);
    EXPECT_NE(printer->m_pThread, nullptr);
    EXPECT_FALSE(printers.IsModified());

    EXPECT_EQ(Store(printers), expected);
}

TEST_F(CollectionDocument, LongNamesAndSeveralPrintersRoundTripInListOrder)
{
    const CString longName(300, 'N');
    const CString document = Int(3) + NetworkRecord("Printer#10", "10.0.0.10") + NetworkRecord("Printer#2", "10.0.0.2") +
                             CString("\xFF\x2C\x01", 3) + longName + Str("") + Str("") + Str("CNetworkPort") + Int(0) +
                             Str("10.0.0.3") + Int(9101);
    CQuarnPrinters printers;
    Load(printers, document);

    // The natural order puts Printer#2 before Printer#10; the document follows the list.
    EXPECT_EQ(Names(printers), (std::vector<CString>{longName, "Printer#2", "Printer#10"}));
    const CString stored = Store(printers);
    EXPECT_EQ(stored.substr(4, 3), CString("\xFF\x2C\x01", 3));

    CQuarnPrinters reloaded;
    Load(reloaded, stored);
    EXPECT_EQ(Store(reloaded), stored);
}

TEST_F(CollectionDocument, CountOfZeroOrLessReadsNothingMore)
{
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        CQuarnPrinters printers;
        CArchive archive(Int(count) + "anything after it");
        EXPECT_NO_THROW(printers.Serialize(archive, nullptr)) << count;
        EXPECT_EQ(printers.GetPrinterCount(), 0) << count;
        EXPECT_EQ(archive.Remaining(), CString("anything after it").size()) << count;
    }
}

TEST_F(CollectionDocument, UnknownPortClassStopsWithCode7AndKeepsEarlierPrinters)
{
    // The class name differs from a known one only in letter case.
    const CString document = Int(3) + NetworkRecord("First", "10.0.0.1") + Str("Second") + Str("") + Str("") +
                             Str("CNetworkport") + Int(1) + NetworkRecord("Third", "10.0.0.3");
    CQuarnPrinters printers;
    try {
        Load(printers, document);
        FAIL() << "loading went on past a record without a port";
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> holder(e);
        EXPECT_EQ(e->m_dwCode, errPortUnavailable);
        // Said as a fault of the document, naming the record, not as a port to go and check.
        EXPECT_EQ(e->Message().find(CQuarnPrinterException(errPortUnavailable).Message()), CString::npos)
            << e->Message();
        EXPECT_NE(e->Message().find("Record 2"), CString::npos) << e->Message();
        EXPECT_NE(e->Message().find("\"Second\""), CString::npos) << e->Message();
    }
    EXPECT_EQ(Names(printers), std::vector<CString>{"First"});
    // The rejected record was freed, not left behind.
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, m_refCountBefore + 1);
}

TEST_F(CollectionDocument, TruncatedDocumentRaisesArchiveErrorAndKeepsEarlierPrinters)
{
    const CString second = NetworkRecord("Second", "10.0.0.2");
    const CString document = Int(2) + NetworkRecord("First", "10.0.0.1") + second.substr(0, second.size() - 2);
    CQuarnPrinters printers;
    try {
        Load(printers, document);
        FAIL() << "a truncated document loaded without error";
    } catch (CArchiveException* e) {
        e->Delete();
    }
    EXPECT_EQ(Names(printers), std::vector<CString>{"First"});
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, m_refCountBefore + 1);
}

TEST_F(CollectionDocument, LaterRecordOfTheSameNameTakesThePlaceAndTheEarlierIsFreedAndReported)
{
    const CString document = Int(4) + NetworkRecord("Twin", "10.0.0.1") + NetworkRecord("Other", "10.0.0.9") +
                             NetworkRecord("Twin", "10.0.0.2") + NetworkRecord("Twin", "10.0.0.3");
    CQuarnPrinters printers;
    Load(printers, document);

    ASSERT_EQ(printers.GetPrinterCount(), 2);
    POSITION pos = printers.GetFirstPrinter();
    printers.GetNextPrinter(pos);
    EXPECT_EQ(printers.GetNextPrinter(pos)->Port(), "10.0.0.3");
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, m_refCountBefore + 2);

    // Each dropped record is told with the one that took its name at that point.
    const auto& dropped = printers.DroppedDuplicates();
    ASSERT_EQ(dropped.size(), 2u);
    EXPECT_EQ(dropped[0].m_strName, "Twin");
    EXPECT_EQ(dropped[0].m_nDropped, 1);
    EXPECT_EQ(dropped[0].m_strDroppedPort, "10.0.0.1");
    EXPECT_EQ(dropped[0].m_nKept, 3);
    EXPECT_EQ(dropped[1].m_nDropped, 3);
    EXPECT_EQ(dropped[1].m_strDroppedPort, "10.0.0.2");
    EXPECT_EQ(dropped[1].m_nKept, 4);
    EXPECT_EQ(DescribeDroppedDuplicates(printers),
              "The document repeats the printer name \"Twin\": record 1 (port 10.0.0.1) is dropped; record 3 (port "
              "10.0.0.2) keeps the name.\n"
              "The document repeats the printer name \"Twin\": record 3 (port 10.0.0.2) is dropped; record 4 (port "
              "10.0.0.3) keeps the name.\n");

    // A printer entered later through a one-record load (as quarnctl add does) leaves what
    // the document dropped on record, so the save that follows can still refuse.
    Load(printers, Int(1) + NetworkRecord("New", "10.0.0.7"));
    EXPECT_EQ(printers.DroppedDuplicates().size(), 2u);
}

TEST_F(CollectionDocument, NaturalOrderKeepsDistinctNamesApart)
{
    CQuarnPrinters printers;
    FakePort* port = nullptr;
    for (const char* name : {"b", "P10", "P01", "P1", "P2", "A", "P"})
        CQuarnPrintersTestAccess::EnterWithFakePort(printers, name, port);
    EXPECT_EQ(Names(printers), (std::vector<CString>{"A", "P", "P01", "P1", "P2", "P10", "b"}));
}
