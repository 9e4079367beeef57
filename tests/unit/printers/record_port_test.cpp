// How a printer record owns, copies, asks and calibrates its port.
#include <gtest/gtest.h>
#include <memory>

#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "PseudoTerminal.h"
#include "ScriptedUserInterface.h"
#include "FakeUSBDevices.h"
#include "TemporaryFolder.h"

namespace {

// A port that keeps what it is sent, takes at most one byte per write, and can be told to
// fail its open.
class ScriptedPort : public CPortBase {
public:
    void Open() override
    {
        ++opens;
        if (failOpen) throw new CQuarnPrinterException(errPortUnavailable);
        m_hDevice = 0;
    }
    void Close() override
    {
        ++closes;
        m_hDevice = -1;
    }
    void Write(const void* data, std::uint32_t length, std::uint32_t* written) override
    {
        if (failWrite) throw new CQuarnPrinterException(errInvalidParameter);
        *written = length ? 1 : 0;
        sent.append(static_cast<const char*>(data), *written);
    }
    CString QueryModel() override
    {
        ++modelQueries;
        return "QL-420";
    }

    bool failOpen = false;
    bool failWrite = false;
    int opens = 0;
    int closes = 0;
    int modelQueries = 0;
    CString sent;
};

// A USB port of a kind the record does not know by name.
class VendorUsbPort : public CUSBPort {
    DECLARE_DYNCREATE(VendorUsbPort)
};
IMPLEMENT_DYNCREATE(VendorUsbPort, CUSBPort)

class NotifyWindow : public CWnd {
public:
    void PostMessage(unsigned, WPARAM, LPARAM) override {}
};

class RecordPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CQuarnPrinterData::m_nRefCount, 0) << "a record outlived an earlier test";
        CQuarnPrinterData::m_nPrinterCount = 1;
    }

    ScriptedUserInterface ui;
};

TEST_F(RecordPort, WorkingCopyHasItsOwnClosedPortWithTheSameSettings)
{
    NotifyWindow window;
    CQuarnPrinter original(&window);
    original.m_strName = "Dock 2";
    original.m_strModel = "QL-320";
    original.m_strDownloadFile = "/tmp/fw.qpl";
    original.m_bCalibrate = false;
    auto* serial = new CSerialPort;
    serial->SetPortName("ttyS4");
    serial->SetLineSettings(38400, 7, CSerialPort::ODDPARITY, CSerialPort::TWOSTOPBITS, CSerialPort::FLOW_XONXOFF);
    original.m_pPort = serial;

    CQuarnPrinter copy(original);
    EXPECT_EQ(copy.Name(), "Dock 2");
    EXPECT_EQ(copy.m_strModel, "QL-320");
    EXPECT_EQ(copy.DownloadFile(), "/tmp/fw.qpl");
    EXPECT_FALSE(copy.m_bCalibrate);
    EXPECT_EQ(copy.m_pNotifyWnd, &window);
    EXPECT_EQ(copy.m_pThread, nullptr);
    auto* copied = dynamic_cast<CSerialPort*>(copy.m_pPort);
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copy.m_pPort, original.m_pPort);
    EXPECT_EQ(copy.Port(), "ttyS4");
    std::int32_t baud, data, parity, stop, flow;
    copied->GetLineSettings(&baud, &data, &parity, &stop, &flow);
    EXPECT_EQ(baud, 38400);
    EXPECT_EQ(parity, CSerialPort::ODDPARITY);
    EXPECT_EQ(flow, CSerialPort::FLOW_XONXOFF);
    EXPECT_FALSE(copy.m_pPort->IsOpen());
}

TEST_F(RecordPort, WorkingCopyTakesTheFirstKnownKindOfTheSourcePort)
{
    CQuarnPrinter vendor;
    vendor.m_pPort = new VendorUsbPort;
    vendor.m_pPort->SetPortName("/dev/usb/lp3");
    CQuarnPrinter vendorCopy(vendor);
    ASSERT_NE(vendorCopy.m_pPort, nullptr);
    EXPECT_EQ(vendorCopy.m_pPort->GetRuntimeClass(), RUNTIME_CLASS(CUSBPort));
    EXPECT_EQ(vendorCopy.Port(), "/dev/usb/lp3");

    CQuarnPrinter plain;
    plain.m_pPort = new CPortBase;
    CQuarnPrinter plainCopy(plain);
    EXPECT_EQ(plainCopy.m_pPort, nullptr);

    CQuarnPrinter portless;
    CQuarnPrinter portlessCopy(portless);
    EXPECT_EQ(portlessCopy.m_pPort, nullptr);
}

TEST_F(RecordPort, ModelAsksThePortOnlyWhileItIsUnknown)
{
    CQuarnPrinter printer;
    EXPECT_EQ(printer.Model(), "");  // no port to ask
    auto* port = new ScriptedPort;
    printer.m_pPort = port;
    EXPECT_EQ(printer.Model(), "QL-420");
    EXPECT_EQ(printer.Model(), "QL-420");
    EXPECT_EQ(port->modelQueries, 1);

    CQuarnPrinter named;
    auto* other = new ScriptedPort;
    named.m_pPort = other;
    named.Model("QL-320 Plus");
    EXPECT_EQ(named.Model(), "QL-320 Plus");
    EXPECT_EQ(other->modelQueries, 0);
}

TEST_F(RecordPort, OnlySerialAndUsbPrintersAnswer)
{
    struct Case {
        CPortBase* port;
        bool answers;
        const char* display;
    };
    auto* serial = new CSerialPort;
    serial->SetPortName("ttyS0");
    auto* parallel = new CParallelPort;
    parallel->SetPortName("lp0");
    auto* usb = new VendorUsbPort;
    usb->SetPortName("/dev/usb/lp0");
    auto* network = new CNetworkPort;
    network->SetPortName("10.1.2.3");
    for (const Case& c : {Case{serial, true, "ttyS0"}, Case{parallel, false, "lp0"}, Case{usb, true, "USB"},
                          Case{network, false, "10.1.2.3"}}) {
        CQuarnPrinter printer;
        printer.m_pPort = c.port;
        EXPECT_EQ(printer.IsBidirectional(), c.answers) << c.display;
        EXPECT_EQ(printer.PortDisplayName(), c.display);
    }
    CQuarnPrinter portless;
    EXPECT_FALSE(portless.IsBidirectional());
}

TEST_F(RecordPort, DetectedPortIsNamedTestOpenedAndClosed)
{
    const FakeUSBDevices devices{"lp7"};
    const CString device = devices.PathOf("lp7");
    CQuarnPrinter printer;
    EXPECT_TRUE(printer.AttachDetectedPort(RUNTIME_CLASS(CUSBPort), device, "Found QL-420"));
    EXPECT_EQ(printer.Name(), "Found QL-420");
    ASSERT_NE(printer.m_pPort, nullptr);
    EXPECT_EQ(printer.m_pPort->GetRuntimeClass(), RUNTIME_CLASS(CUSBPort));
    EXPECT_EQ(printer.Port(), device);
    EXPECT_FALSE(printer.m_pPort->IsOpen());

    CQuarnPrinter unnamed;
    EXPECT_TRUE(unnamed.AttachDetectedPort(RUNTIME_CLASS(CUSBPort), device, ""));
    EXPECT_EQ(unnamed.Name(), "Printer#2");
}

TEST_F(RecordPort, DetectedPortThatDoesNotOpenPassesTheErrorOnAndStaysAttached)
{
    TemporaryFolder folder;
    CQuarnPrinter printer;
    unsigned long code = 0;
    try {
        printer.AttachDetectedPort(RUNTIME_CLASS(CUSBPort), (folder.Path() / "gone").string(), "");
    } catch (CQuarnPrinterException* e) {
        code = e->m_dwCode;
        e->Delete();
    }
    EXPECT_EQ(code, errPortUnavailable);
    ASSERT_NE(printer.m_pPort, nullptr);
    EXPECT_FALSE(printer.m_pPort->IsOpen());
}

TEST_F(RecordPort, DetectedPortOfAClassThatIsNoPortIsRefused)
{
    CQuarnPrinter printer;
    EXPECT_FALSE(printer.AttachDetectedPort(RUNTIME_CLASS(CObject), "x", "Name"));
    EXPECT_FALSE(printer.AttachDetectedPort(nullptr, "x", "Name"));
    EXPECT_EQ(printer.m_pPort, nullptr);
    EXPECT_EQ(printer.Name(), "Printer#1");
}

TEST_F(RecordPort, CalibrationSendsTheWholeCommandThroughTheDevice)
{
    PseudoTerminal terminal;
    CQuarnPrinter printer;
    printer.m_pPort = new CPortBase;
    printer.m_pPort->SetPortName(terminal.DevicePath());
    printer.Calibrate();
    EXPECT_EQ(terminal.Received(4), CString("\x0A" "xa" "\x0A"));
    EXPECT_FALSE(printer.m_pPort->IsOpen());
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(RecordPort, CalibrationLosesNoByteToShortWrites)
{
    ScriptedPort port;
    CQuarnPrinter::CalibratePort(&port);
    EXPECT_EQ(port.sent, CString("\x0A" "xa" "\x0A"));
    EXPECT_EQ(port.opens, 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(RecordPort, CalibrationErrorsAreShownOnceAndNeverRaised)
{
    ScriptedPort unopenable;
    unopenable.failOpen = true;
    ScriptedPort unwritable;
    unwritable.failWrite = true;
    EXPECT_NO_THROW(CQuarnPrinter::CalibratePort(&unopenable));
    EXPECT_NO_THROW(CQuarnPrinter::CalibratePort(&unwritable));
    EXPECT_NO_THROW(CQuarnPrinter::CalibratePort(nullptr));

    EXPECT_FALSE(unopenable.IsOpen());
    EXPECT_FALSE(unwritable.IsOpen());
    EXPECT_GE(unwritable.closes, 1);
    const auto shown = ui.Messages();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "That port is unavailable.");
    EXPECT_EQ(shown[1].text, "Invalid Parameter.");
    EXPECT_EQ(shown[2].text, "That port is unavailable.");
    for (const auto& box : shown) EXPECT_EQ(box.style, MB_OK);
}

TEST_F(RecordPort, DestroyingARecordFreesItsPort)
{
    struct FreedPort : CPortBase {
        explicit FreedPort(bool& freed) : m_freed(freed) {}
        ~FreedPort() override { m_freed = true; }
        bool& m_freed;
    };
    bool freed = false;
    {
        CQuarnPrinter printer;
        printer.m_pPort = new FreedPort(freed);
    }
    EXPECT_TRUE(freed);
}

}  // namespace
