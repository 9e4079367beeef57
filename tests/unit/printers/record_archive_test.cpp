// A printer's share of the settings document: exact bytes, round trips of every port kind,
// and documents that are cut short, damaged or hostile.
#include <gtest/gtest.h>
#include <memory>

#include "CArchive.h"
#include "CException.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinter.h"
#include "CSerialPort.h"
#include "CUSBPort.h"

namespace {

CString Int32(std::uint32_t value)
{
    CString bytes;
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// An archive string with a short (one-byte) length.
CString Str(const CString& text)
{
    return CString(1, static_cast<char>(text.size())) + text;
}

CString Store(CQuarnPrinter& printer)
{
    CArchive ar;
    printer.Serialize(ar);
    return ar.Buffer();
}

class RecordArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CQuarnPrinterData::m_nRefCount, 0) << "a record outlived an earlier test";
        CQuarnPrinterData::m_nPrinterCount = 1;
    }

    // Loads one record; the archive's unread rest is left in *rest.
    std::unique_ptr<CQuarnPrinter> Load(const CString& bytes, std::size_t* rest = nullptr)
    {
        CArchive ar(bytes);
        auto printer = std::make_unique<CQuarnPrinter>();
        printer->Serialize(ar);
        if (rest) *rest = ar.Remaining();
        return printer;
    }
};

TEST_F(RecordArchive, NetworkPrinterIsStoredByteForByte)
{
    CQuarnPrinter printer;
    auto* port = new CNetworkPort;
    port->SetPortName("10.0.0.5");
    printer.m_pPort = port;

    CArchive ar;
    ar << std::int32_t(1);  // the collection's printer count
    printer.Serialize(ar);

    const CString expected = Int32(1) + Str("Printer#1") + Str("") + Str("") + Str("CNetworkPort") + Int32(1) +
                             Str("10.0.0.5") + CString("\x8C\x23\x00\x00", 4);
    EXPECT_EQ(ar.Buffer(), expected);
}

TEST_F(RecordArchive, EveryPortKindRoundTrips)
{
    auto serial = std::make_unique<CSerialPort>();
    serial->SetPortName("ttyS3");
    serial->SetLineSettings(19200, 7, CSerialPort::EVENPARITY, CSerialPort::TWOSTOPBITS, CSerialPort::FLOW_XONXOFF);
    auto parallel = std::make_unique<CParallelPort>();
    parallel->SetPortName("lp1");
    auto usb = std::make_unique<CUSBPort>();
    usb->SetPortName("/dev/usb/lp2");
    auto network = std::make_unique<CNetworkPort>();
    network->SetIPAddress(192, 168, 7, 41);
    network->m_nTcpPort = 6101;

    std::unique_ptr<CPortBase> ports[] = {std::move(serial), std::move(parallel), std::move(usb), std::move(network)};
    for (auto& port : ports) {
        SCOPED_TRACE(port->GetRuntimeClass()->m_lpszClassName);
        CQuarnPrinter original;
        original.m_strName = "Line 4 labeller";
        original.m_strModel = "QL-420";
        original.m_strDownloadFile = "/srv/firmware/ql420 v2.qpl";
        original.m_bCalibrate = false;
        original.m_pPort = port.release();
        const CString bytes = Store(original);

        std::size_t rest = 1;
        auto loaded = Load(bytes, &rest);
        EXPECT_EQ(rest, 0u);
        EXPECT_EQ(loaded->Name(), original.Name());
        EXPECT_EQ(loaded->m_strModel, original.m_strModel);
        EXPECT_EQ(loaded->DownloadFile(), original.DownloadFile());
        EXPECT_FALSE(loaded->m_bCalibrate);
        ASSERT_NE(loaded->m_pPort, nullptr);
        EXPECT_EQ(loaded->m_pPort->GetRuntimeClass(), original.m_pPort->GetRuntimeClass());
        EXPECT_EQ(loaded->Port(), original.Port());
        EXPECT_FALSE(loaded->m_pPort->IsOpen());
        // Everything the kind keeps (line settings, TCP port) survives when it stores the same bytes.
        EXPECT_EQ(Store(*loaded), bytes);
    }
}

TEST_F(RecordArchive, SerialRecordHasClassNameCalibrationAndLineSettings)
{
    CQuarnPrinter printer;
    auto* port = new CSerialPort;
    port->SetPortName("ttyS0");
    printer.m_pPort = port;
    const CString expected = Str("Printer#1") + Str("") + Str("") + Str("CSerialPort") + Int32(1) +
                             Str("/dev/ttyS0") + Int32(9600) + Int32(8) + Int32(0) + Int32(0) + Int32(2) +
                             Str("ttyS0");
    EXPECT_EQ(Store(printer), expected);
}

TEST_F(RecordArchive, SerialLineSettingsAreTakenAsStored)
{
    const CString bytes = Str("P") + Str("") + Str("") + Str("CSerialPort") + Int32(1) + Str("/dev/ttyS1") +
                          Int32(12345) + Int32(99) + Int32(7) + Int32(-1) + Int32(0) + Str("ttyS1");
    auto printer = Load(bytes);
    auto* serial = dynamic_cast<CSerialPort*>(printer->m_pPort);
    ASSERT_NE(serial, nullptr);
    std::int32_t baud, data, parity, stop, flow;
    serial->GetLineSettings(&baud, &data, &parity, &stop, &flow);
    EXPECT_EQ(baud, 12345);
    EXPECT_EQ(data, 99);
    EXPECT_EQ(parity, 7);
    EXPECT_EQ(stop, -1);
    EXPECT_EQ(flow, 0);
    EXPECT_EQ(printer->Port(), "ttyS1");
}

TEST_F(RecordArchive, CalibrationIsOnOnlyForExactlyOne)
{
    for (std::uint32_t stored : {0u, 1u, 2u, 0xFFFFFFFFu, 0x101u}) {
        const CString bytes = Str("P") + Str("") + Str("") + Str("CUSBPort") + Int32(stored) + Str("/dev/usb/lp0");
        EXPECT_EQ(Load(bytes)->m_bCalibrate, stored == 1) << stored;
    }
}

TEST_F(RecordArchive, LongNamesUseTheWideLengthPrefixes)
{
    CQuarnPrinter printer;
    printer.m_strName = CString(300, 'n');
    printer.m_strDownloadFile = CString(70000, 'f');
    const CString bytes = Store(printer);
    EXPECT_EQ(bytes.substr(0, 3), CString("\xFF\x2C\x01"));
    const std::size_t file = 3 + 300 + 1;  // after the name and the empty model
    EXPECT_EQ(bytes.substr(file, 7), CString("\xFF\xFF\xFF") + Int32(70000));

    auto loaded = Load(bytes);
    EXPECT_EQ(loaded->Name(), printer.Name());
    EXPECT_EQ(loaded->DownloadFile(), printer.DownloadFile());
}

TEST_F(RecordArchive, UnknownPortClassLeavesTheRecordWithoutPortAndReadsNoFurther)
{
    const CString portData = Str("/dev/ttyS0") + Int32(9600);
    for (const char* name : {"CSerialport", "cserialport", "CSERIALPORT", "CPortBase", "CQuarnPrinter", "CObject", ""}) {
        SCOPED_TRACE(name);
        std::size_t rest = 0;
        auto printer = Load(Str("Office") + Str("") + Str("") + Str(name) + Int32(1) + portData, &rest);
        EXPECT_EQ(printer->m_pPort, nullptr);
        EXPECT_EQ(printer->Name(), "Office");
        EXPECT_TRUE(printer->m_bCalibrate);
        EXPECT_EQ(rest, portData.size());
        EXPECT_EQ(printer->Port(), "");
        EXPECT_EQ(printer->PortDisplayName(), "");
        EXPECT_FALSE(printer->IsBidirectional());
    }
}

TEST_F(RecordArchive, RecordWithoutPortStoresWhatLoadsBackWithoutPort)
{
    CQuarnPrinter portless;
    portless.m_bCalibrate = false;
    CArchive ar;
    portless.Serialize(ar);
    portless.Serialize(ar);  // the next record must still be found

    CArchive in(ar.Buffer());
    for (int i = 0; i < 2; ++i) {
        CQuarnPrinter loaded;
        loaded.Serialize(in);
        EXPECT_EQ(loaded.m_pPort, nullptr);
        EXPECT_FALSE(loaded.m_bCalibrate);
        EXPECT_EQ(loaded.Name(), "Printer#1");
    }
    EXPECT_EQ(in.Remaining(), 0u);
}

// A port that tells when it is closed and freed.
class WatchedPort : public CPortBase {
public:
    WatchedPort(bool& closed, bool& freed) : m_closed(closed), m_freed(freed) {}
    ~WatchedPort() override { m_freed = true; }
    void Close() override { m_closed = true; }

private:
    bool& m_closed;
    bool& m_freed;
};

TEST_F(RecordArchive, LoadingDropsThePortHeldBefore)
{
    const CString bytes = Str("P") + Str("") + Str("") + Str("CParallelPort") + Int32(1) + Str("/dev/lp0") + Str("lp0");
    for (const CString& document : {bytes, Str("P") + Str("") + Str("") + Str("Unknown") + Int32(1)}) {
        bool closed = false, freed = false;
        CQuarnPrinter printer;
        printer.m_pPort = new WatchedPort(closed, freed);
        CArchive ar(document);
        printer.Serialize(ar);
        EXPECT_TRUE(closed);
        EXPECT_TRUE(freed);
    }
}

// The list would show lp9 while a download opened another device.
TEST_F(RecordArchive, ParallelRecordWhoseNameAndDeviceDisagreeIsRefusedNamingTheRecord)
{
    const CString record = Str("Label 9") + Str("") + Str("") + Str("CParallelPort") + Int32(1);
    EXPECT_NE(Load(record + Str("/dev/lp9") + Str("lp9"))->m_pPort, nullptr);
    for (const CString& port : {Str("/dev/sda") + Str("lp9"), Str("/home/x/lp9") + Str("lp9"), Str("") + Str("lp9")}) {
        CString message;
        try {
            Load(record + port);
        } catch (CArchiveException* e) {
            e->GetErrorMessage(message);
            e->Delete();
        }
        EXPECT_NE(message.find("Label 9"), CString::npos) << message;
        EXPECT_NE(message.find("lp9"), CString::npos) << message;
    }
}

// Every way a document can end early or lie about a length must raise an archive error,
// leak nothing and never read or allocate past the input.
TEST_F(RecordArchive, DamagedDocumentsRaiseArchiveErrors)
{
    CQuarnPrinter printer;
    auto* serial = new CSerialPort;
    serial->SetPortName("ttyUSB0");
    printer.m_pPort = serial;
    printer.m_strModel = "QL-320";
    const CString whole = Store(printer);

    std::vector<CString> damaged;
    for (std::size_t length = 0; length < whole.size(); ++length) damaged.push_back(whole.substr(0, length));
    damaged.push_back(CString("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7));           // 4 GiB name
    damaged.push_back(CString("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7) + "short");  // 2 GiB name
    damaged.push_back(CString("\xFF\xFE\xFF", 3) + "abc");                    // wide-character marker
    damaged.push_back(CString("\xFF\x00\x01", 3) + "x");                      // 256 bytes announced, 1 there

    for (const CString& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        bool raised = false;
        try {
            Load(bytes);
        } catch (CArchiveException* e) {
            raised = true;
            e->Delete();
        }
        EXPECT_TRUE(raised);
    }
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, 1);  // only the record that was stored
}

}  // namespace
