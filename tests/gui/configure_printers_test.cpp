// Adding and modifying printers through the real dialogs and message boxes of the Qt user
// interface: what the list accepts and refuses, and what Cancel leaves.
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include "CArchive.h"
#include "CIPAddressEdit.h"
#include "CPrinterConfigureDlg.h"
#include "CQtUserInterface.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinters.h"
#include "KeyboardInput.h"
#include "ModalScript.h"
#include "RecordingWnd.h"
#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

namespace {

// The Qt user interface on a machine with two serial ports, whatever this machine has.
class TwoSerialPortsUserInterface : public CQtUserInterface {
public:
    bool RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags) override
    {
        CPrinterConfigureDlg dialog(workingCopy, flags, {{"ttyS0", "ttyS1"}, {}});
        return dialog.exec() == QDialog::Accepted;
    }
};


// A dialog step: name the printer, choose a serial port, OK.
ModalScript::Step NameAndPort(const QString& name, const QString& port)
{
    return [=](QWidget* dialog) {
        Retype(dialog->findChild<QLineEdit*>("printerName"), name);
        Choose(dialog->findChild<QComboBox*>("serialPorts"), port);
        ClickButton(dialog, "ok");
    };
}

}  // namespace

class ConfigurePrintersTest : public QObject {
    Q_OBJECT

private:
    CQuarnPrinterData* Named(const CString& name) const
    {
        for (POSITION pos = m_printers->GetFirstPrinter(); pos;) {
            CQuarnPrinterData* printer = m_printers->GetNextPrinter(pos);
            if (printer->Name() == name) return printer;
        }
        return nullptr;
    }

    TemporaryFolder m_folder;
    ScopedEnvironment m_home{"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()};
    ScopedEnvironment m_dirs{"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()};
    TwoSerialPortsUserInterface m_ui;
    RecordingWnd m_window;
    std::unique_ptr<CQuarnPrinters> m_printers;

private slots:
    void initTestCase() { AfxSetUserInterface(&m_ui); }
    void cleanupTestCase() { AfxSetUserInterface(nullptr); }
    void init() { m_printers = std::make_unique<CQuarnPrinters>(); }
    void cleanup() { m_printers.reset(); }

    void aNameInAnotherCaseIsAcceptedButAPortInAnotherCaseIsRefused()
    {
        // A document may hold a port name in any case.
        CArchive document;
        document << std::int32_t{1} << CString("Printer#1") << CString() << CString() << CString("CSerialPort")
                 << std::int32_t{1} << CString("/dev/TTYS1") << std::int32_t{9600} << std::int32_t{8} << std::int32_t{0}
                 << std::int32_t{0} << std::int32_t{2} << CString("TTYS1");
        CArchive loading(document.Buffer());
        m_printers->Serialize(loading, &m_window);

        QString reopenedWith;
        ModalScript script;
        script.Then(NameAndPort("PRINTER#1", "ttyS1"))
            .Then([](QWidget* box) {
                QCOMPARE(qobject_cast<QMessageBox*>(box)->text(),
                         QString("That printer port has already been used.  Please choose another port."));
                ClickButton(box, "OK");
            })
            .Then([&](QWidget* dialog) {
                reopenedWith = dialog->findChild<QLineEdit*>("printerName")->text() + "@" +
                               dialog->findChild<QComboBox*>("serialPorts")->currentText();
                ClickButton(dialog, "ok");
            })
            .Then([](QWidget* box) { ClickButton(box, "OK"); })
            .Then([](QWidget* dialog) { NameAndPort("PRINTER#1", "ttyS0")(dialog); });
        m_printers->AddPrinter(&m_window, cfNone);

        QVERIFY(script.Done());
        QCOMPARE(reopenedWith, QString("PRINTER#1@ttyS1"));
        QCOMPARE(m_printers->GetPrinterCount(), 2);
        QVERIFY(Named("PRINTER#1") != nullptr);
        QCOMPARE(Named("PRINTER#1")->Port(), CString("ttyS0"));
    }

    void cancelAfterChangingTheTypeLeavesThePrinterItsPortAndThread()
    {
        ModalScript adding;
        adding.Then(NameAndPort("Dock", "ttyS1"));
        m_printers->AddPrinter(&m_window, cfNone);
        auto* printer = static_cast<CQuarnPrinter*>(Named("Dock"));
        QVERIFY(printer);
        CPortBase* port = printer->m_pPort;
        CPrinterThread* thread = printer->m_pThread;
        m_printers->SetModified(false);

        ModalScript script;
        script.Then([](QWidget* dialog) {
            Retype(dialog->findChild<QLineEdit*>("printerName"), "Elsewhere");
            Choose(dialog->findChild<QComboBox*>("communicationType"), "Network");
            ClickButton(dialog, "cancel");
        });
        m_printers->ModifyPrinter(printer, cfNone);

        QVERIFY(script.Done());
        QCOMPARE(Named("Dock"), static_cast<CQuarnPrinterData*>(printer));
        QCOMPARE(printer->m_pPort, port);
        QCOMPARE(printer->Port(), CString("ttyS1"));
        QCOMPARE(printer->m_pThread, thread);
        QVERIFY(!m_printers->IsModified());
    }

    void theMachinesDialogAddsANetworkPrinter()
    {
        // The dialog as the installed interface shows it, with this machine's own ports.
        CQtUserInterface machine;
        AfxSetUserInterface(&machine);
        ModalScript script;
        script.Then([](QWidget* dialog) {
            Retype(dialog->findChild<QLineEdit*>("printerName"), "Shipping");
            Choose(dialog->findChild<QComboBox*>("communicationType"), "Network");
            auto* address = dialog->findChild<CIPAddressEdit*>("ipAddress");
            const char* bytes[] = {"127", "0", "0", "120"};
            for (int i = 0; i < 4; ++i) Retype(address->Field(i), bytes[i]);
            Retype(dialog->findChild<QLineEdit*>("tcpPort"), "9105");
            ClickButton(dialog, "ok");
        });
        m_printers->AddPrinter(&m_window, cfNone);
        AfxSetUserInterface(&m_ui);

        QVERIFY(script.Done());
        CQuarnPrinterData* printer = Named("Shipping");
        QVERIFY(printer);
        QCOMPARE(printer->Port(), CString("127.0.0.120"));
        QVERIFY(m_printers->IsModified());
    }
};

QTEST_MAIN(ConfigurePrintersTest)
#include "configure_printers_test.moc"
