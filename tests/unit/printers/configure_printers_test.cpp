// Adding and modifying printers through a scripted configuration dialog: what the list
// accepts and refuses, what a cancel leaves, and that a confirmed printer gets a new port
// and thread that still deliver every byte.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "CNetworkPort.h"
#include "CPrinterThread.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "RecordingWnd.h"
#include "ScratchFile.h"
#include "ScriptedUserInterface.h"
#include "Sha256.h"
#include "SimProcess.h"
#include "StringTable.h"
#include "collection_test_access.h"
#include "messages.h"

namespace {

using namespace std::chrono_literals;

void GiveSerialPort(CQuarnPrinter& copy, const CString& portName)
{
    delete copy.m_pPort;
    auto* port = new CSerialPort;
    port->SetPortName(portName);
    copy.m_pPort = port;
}

// A dialog the user confirms after naming the printer and choosing a serial port.
ScriptedUserInterface::ConfigureStep ConfirmSerial(const CString& name, const CString& portName)
{
    return [=](CQuarnPrinter& copy, unsigned) {
        copy.m_strName = name;
        GiveSerialPort(copy, portName);
        return true;
    };
}

// A dialog the user cancels; it notes what it was shown.
ScriptedUserInterface::ConfigureStep CancelNoting(std::vector<CString>& shown)
{
    return [&shown](CQuarnPrinter& copy, unsigned) {
        shown.push_back(copy.m_strName + "@" + copy.Port());
        return false;
    };
}

class ConfigurePrinters : public ::testing::Test {
protected:
    CQuarnPrinter* Named(const CString& name) const
    {
        for (POSITION pos = m_printers.GetFirstPrinter(); pos;) {
            auto* printer = static_cast<CQuarnPrinter*>(m_printers.GetNextPrinter(pos));
            if (printer->Name() == name) return printer;
        }
        return nullptr;
    }

    CQuarnPrinter* AddSerial(const CString& name, const CString& portName)
    {
        m_ui.QueueConfigureDialog(ConfirmSerial(name, portName));
        m_printers.AddPrinter(&m_window, cfNone);
        return Named(name);
    }

    IsolatedSettings m_settings;
    ScriptedUserInterface m_ui;
    RecordingWnd m_window;
    CQuarnPrinters m_printers;  // last: its printers end before the window they report to
};

TEST_F(ConfigurePrinters, AddedPrinterTakesTheConfirmedSettingsAndGetsAThread)
{
    unsigned flagsSeen = 99;
    m_ui.QueueConfigureDialog([&](CQuarnPrinter& copy, unsigned flags) {
        flagsSeen = flags;
        copy.m_strName = "Line 3";
        copy.m_strModel = "QX-4";
        copy.m_bCalibrate = false;
        delete copy.m_pPort;
        auto* port = new CNetworkPort;
        port->SetIPAddress(127, 0, 0, 110);
        port->m_nTcpPort = 9101;
        copy.m_pPort = port;
        return true;
    });

    m_printers.AddPrinter(&m_window, cfHideCalibrate);

    EXPECT_EQ(flagsSeen, unsigned{cfHideCalibrate});
    ASSERT_EQ(m_printers.GetPrinterCount(), 1);
    CQuarnPrinter* printer = Named("Line 3");
    ASSERT_NE(printer, nullptr);
    ASSERT_TRUE(printer->m_pPort && printer->m_pPort->IsKindOf(RUNTIME_CLASS(CNetworkPort)));
    EXPECT_EQ(printer->Port(), "127.0.0.110");
    EXPECT_EQ(static_cast<CNetworkPort*>(printer->m_pPort)->m_nTcpPort, 9101);
    EXPECT_EQ(printer->Model(), "QX-4");
    EXPECT_FALSE(printer->m_bCalibrate);
    EXPECT_EQ(printer->m_pNotifyWnd, &m_window);
    EXPECT_NE(printer->m_pThread, nullptr);
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(ConfigurePrinters, CancelledAddFreesTheNewRecordAndItsDefaultNumber)
{
    AddSerial("Printer#1", "ttyS0");
    m_printers.SetModified(false);
    const int nextNumber = CQuarnPrinterData::m_nPrinterCount;
    std::vector<CString> shown;
    m_ui.QueueConfigureDialog(CancelNoting(shown));

    m_printers.AddPrinter(&m_window, cfNone);

    // The new record carried the next default name while the dialog was open.
    EXPECT_EQ(shown, std::vector<CString>{FormatString("Printer#%d@", nextNumber)});
    EXPECT_EQ(m_printers.GetPrinterCount(), 1);
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, nextNumber);
}

TEST_F(ConfigurePrinters, NamesMayDifferInCaseOnlyButPortsMayNot)
{
    AddSerial("Printer#1", "ttyS0");
    ASSERT_NE(AddSerial("PRINTER#1", "ttyS1"), nullptr);
    ASSERT_EQ(m_printers.GetPrinterCount(), 2);

    // The same port in another case is refused and the dialog reopens on the refused attempt.
    std::vector<CString> shown;
    m_ui.QueueConfigureDialog(ConfirmSerial("Third", "TTYS0"));
    m_ui.QueueConfigureDialog(CancelNoting(shown));
    m_printers.AddPrinter(&m_window, cfNone);

    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{LoadStringResource(IDS_PORT_IN_USE)});
    EXPECT_EQ(m_ui.Messages().at(0).style, unsigned{MB_OK});
    EXPECT_EQ(shown, std::vector<CString>{"Third@TTYS0"});
    EXPECT_EQ(m_printers.GetPrinterCount(), 2);
    EXPECT_EQ(Named("Third"), nullptr);
}

TEST_F(ConfigurePrinters, RefusalsRepeatUntilTheAttemptIsUnique)
{
    AddSerial("Printer#1", "ttyS0");
    const int shownBefore = m_ui.ConfigureDialogsShown();
    m_ui.QueueConfigureDialog(ConfirmSerial("Printer#1", "ttyS5"));
    m_ui.QueueConfigureDialog(ConfirmSerial("Other", "ttyS0"));
    m_ui.QueueConfigureDialog(ConfirmSerial("Other", "ttyS5"));

    m_printers.AddPrinter(&m_window, cfNone);

    EXPECT_EQ(m_ui.Texts(), (std::vector<CString>{LoadStringResource(IDS_NAME_IN_USE), LoadStringResource(IDS_PORT_IN_USE)}));
    EXPECT_EQ(m_ui.ConfigureDialogsShown() - shownBefore, 3);
    ASSERT_NE(Named("Other"), nullptr);
    EXPECT_EQ(Named("Other")->Port(), "ttyS5");
    EXPECT_EQ(m_printers.GetPrinterCount(), 2);
}

TEST_F(ConfigurePrinters, ModifyRefusedThenCancelledLeavesThePrinterExactlyAsItWas)
{
    AddSerial("A", "ttyS0");
    CQuarnPrinter* b = AddSerial("B", "ttyS1");
    ASSERT_NE(b, nullptr);
    m_printers.SetModified(false);
    CPortBase* port = b->m_pPort;
    CPrinterThread* thread = b->m_pThread;
    const auto link = b->m_pThreadLink;

    std::vector<CString> shown;
    m_ui.QueueConfigureDialog([](CQuarnPrinter& copy, unsigned) {
        copy.m_strName = "A";
        GiveSerialPort(copy, "ttyS7");
        copy.m_bCalibrate = false;
        return true;
    });
    m_ui.QueueConfigureDialog(CancelNoting(shown));
    m_printers.ModifyPrinter(b, cfNone);

    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{LoadStringResource(IDS_NAME_IN_USE)});
    EXPECT_EQ(shown, std::vector<CString>{"A@ttyS7"});
    EXPECT_EQ(Named("B"), b);
    EXPECT_EQ(b->m_pPort, port);
    EXPECT_EQ(b->Port(), "ttyS1");
    EXPECT_TRUE(b->m_bCalibrate);
    EXPECT_EQ(b->m_pThread, thread);
    EXPECT_EQ(b->m_pThreadLink, link);
    EXPECT_EQ(m_printers.GetPrinterCount(), 2);
    EXPECT_FALSE(m_printers.IsModified());
}

TEST_F(ConfigurePrinters, ModifyMayRenameAndKeepsTheDownloadFile)
{
    CQuarnPrinter* printer = AddSerial("Old", "ttyS0");
    m_printers.SetDownloadFile(printer, "/tmp/firmware.qpl");
    m_ui.QueueConfigureDialog(ConfirmSerial("New", "ttyS0"));

    m_printers.ModifyPrinter(printer, cfNone);

    EXPECT_EQ(Named("Old"), nullptr);
    EXPECT_EQ(Named("New"), printer);
    EXPECT_EQ(printer->DownloadFile(), "/tmp/firmware.qpl");
    EXPECT_EQ(m_printers.GetPrinterCount(), 1);
}

TEST_F(ConfigurePrinters, ModifyOfANullOrForeignRecordIsAConfigurationError)
{
    CQuarnPrinter stranger;
    for (CQuarnPrinterData* record : {static_cast<CQuarnPrinterData*>(nullptr), static_cast<CQuarnPrinterData*>(&stranger)}) {
        try {
            m_printers.ModifyPrinter(record, cfNone);
            ADD_FAILURE() << "no error";
        } catch (CQuarnPrinterException* e) {
            CExceptionHolder<> hold(e);
            EXPECT_EQ(e->m_dwCode, unsigned{errConfiguration});
        }
    }
    EXPECT_EQ(m_ui.ConfigureDialogsShown(), 0);
}

TEST_F(ConfigurePrinters, AConfirmedCopyWithoutAPortFailsToStartAndLeavesNothingBehind)
{
    auto dropPort = [](CQuarnPrinter& copy, unsigned) {
        delete copy.m_pPort;
        copy.m_pPort = nullptr;
        return true;
    };
    CQuarnPrinter* printer = AddSerial("Kept", "ttyS0");
    ASSERT_NE(printer, nullptr);

    m_ui.QueueConfigureDialog(dropPort);
    try {
        m_printers.AddPrinter(&m_window, cfNone);
        ADD_FAILURE() << "no error";
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> hold(e);
        EXPECT_EQ(e->m_dwCode, unsigned{errPortUnavailable});
    }
    EXPECT_EQ(m_printers.GetPrinterCount(), 1);

    // A record that lost its port must not stay in the list without a thread.
    m_ui.QueueConfigureDialog(dropPort);
    try {
        m_printers.ModifyPrinter(printer, cfNone);
        ADD_FAILURE() << "no error";
    } catch (CQuarnPrinterException* e) {
        CExceptionHolder<> hold(e);
        EXPECT_EQ(e->m_dwCode, unsigned{errPortUnavailable});
    }
    EXPECT_EQ(m_printers.GetPrinterCount(), 0);
}

TEST(ApplySettings, ReleasesTheOldPortAndThreadAndCopiesTheEditedOnes)
{
    std::atomic<bool> oldPortDestroyed = false;
    CQuarnPrinter printer;
    printer.m_pPort = new FakePort(&oldPortDestroyed);
    printer.StartThread();
    printer.m_strDownloadFile = "/tmp/kept.prg";
    CQuarnPrinter edited;
    edited.m_strName = "Edited";
    edited.m_strModel = "";
    edited.m_bCalibrate = false;
    auto* port = new CSerialPort;
    port->SetPortName("ttyUSB3");
    port->SetLineSettings(19200, 7, CSerialPort::EVENPARITY, CSerialPort::TWOSTOPBITS, CSerialPort::FLOW_XONXOFF);
    edited.m_pPort = port;

    printer.ApplySettings(edited);

    EXPECT_TRUE(oldPortDestroyed);
    EXPECT_EQ(printer.m_pThread, nullptr);
    ASSERT_NE(printer.m_pPort, nullptr);
    ASSERT_NE(printer.m_pPort, edited.m_pPort);
    ASSERT_EQ(printer.m_pPort->GetRuntimeClass(), RUNTIME_CLASS(CSerialPort));
    auto* applied = static_cast<CSerialPort*>(printer.m_pPort);
    EXPECT_EQ(applied->PortName(), "ttyUSB3");
    EXPECT_EQ(applied->m_strDevice, "/dev/ttyUSB3");
    EXPECT_EQ(applied->m_nBaudRate, 19200);
    EXPECT_EQ(applied->m_nDataBits, 7);
    EXPECT_EQ(applied->m_nParity, CSerialPort::EVENPARITY);
    EXPECT_EQ(applied->m_nStopBits, CSerialPort::TWOSTOPBITS);
    EXPECT_EQ(applied->m_nFlowControl, CSerialPort::FLOW_XONXOFF);
    EXPECT_EQ(printer.m_strName, "Edited");
    EXPECT_FALSE(printer.m_bCalibrate);
    EXPECT_EQ(printer.m_strDownloadFile, "/tmp/kept.prg");
}

TEST_F(ConfigurePrinters, ModifyConfirmedWithoutChangesGivesANewThreadThatStillDeliversEveryByte)
{
    SimProcess sim({"--network", "edited@127.0.0.110:0,short=900"});
    sim.Start();
    m_ui.QueueConfigureDialog([&](CQuarnPrinter& copy, unsigned) {
        copy.m_strName = "edited";
        copy.m_bCalibrate = false;
        delete copy.m_pPort;
        auto* port = new CNetworkPort;
        port->SetIPAddress(127, 0, 0, 110);
        port->m_nTcpPort = sim.PortOf("edited");
        copy.m_pPort = port;
        return true;
    });
    m_printers.AddPrinter(&m_window, cfNone);
    CQuarnPrinter* printer = Named("edited");
    ASSERT_NE(printer, nullptr);
    const ScratchFile file(ScratchFile::Pattern(3 * 1024 * 1024 + 77));
    m_printers.SetDownloadFile(printer, file.Path());
    m_printers.SetModified(false);
    const std::uint32_t oldThreadId = printer->m_pThread->m_nThreadID;

    m_ui.QueueConfigureDialog([](CQuarnPrinter&, unsigned) { return true; });
    m_printers.ModifyPrinter(printer, cfNone);

    ASSERT_EQ(Named("edited"), printer);
    ASSERT_NE(printer->m_pThread, nullptr);
    EXPECT_NE(printer->m_pThread->m_nThreadID, oldThreadId);
    ASSERT_TRUE(printer->m_pPort->IsKindOf(RUNTIME_CLASS(CNetworkPort)));
    EXPECT_EQ(printer->Port(), "127.0.0.110");
    EXPECT_EQ(static_cast<CNetworkPort*>(printer->m_pPort)->m_nTcpPort, sim.PortOf("edited"));
    EXPECT_FALSE(printer->m_bCalibrate);
    EXPECT_EQ(printer->DownloadFile(), file.Path());
    EXPECT_TRUE(m_printers.IsModified());

    m_printers.DownloadToPrinters(nullptr);
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1, 60s));
    const auto records = sim.WaitForRecords(1);
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].bytes, 3 * 1024 * 1024 + 77u);
    EXPECT_EQ(records[0].sha256, Sha256::Of(ScratchFile::Pattern(3 * 1024 * 1024 + 77)));
    EXPECT_TRUE(m_ui.Texts().empty());
}

}  // namespace
