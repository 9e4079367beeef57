// The printer configuration dialog driven as a user drives it: typing, choosing entries by
// keyboard and pressing buttons, with the machine's ports given by the test.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "CIPAddressEdit.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CPrinterConfigureDlg.h"
#include "CQuarnPrinter.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "FakePort.h"
#include "KeyboardInput.h"
#include "ModalScript.h"
#include "ScriptedUserInterface.h"

namespace {

QStringList Entries(const QComboBox* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
}


}  // namespace

class PrinterConfigureDlgTest : public QObject {
    Q_OBJECT

private:
    struct Opened {
        std::unique_ptr<CPrinterConfigureDlg> dialog;
        QLineEdit* name;
        QLineEdit* model;
        QComboBox* type;
        CIPAddressEdit* address;
        QComboBox* serial;
        QComboBox* parallel;
        QLineEdit* tcpPort;
        QPushButton* portSettings;
        QCheckBox* calibrate;
        QPushButton* ok;
        QPushButton* cancel;
    };

    Opened Open(CQuarnPrinter& copy, CCommSingleton::PortLists ports, unsigned flags = 0)
    {
        Opened o;
        o.dialog = std::make_unique<CPrinterConfigureDlg>(copy, flags, ports);
        QWidget* d = o.dialog.get();
        o.name = d->findChild<QLineEdit*>("printerName");
        o.model = d->findChild<QLineEdit*>("printerModel");
        o.type = d->findChild<QComboBox*>("communicationType");
        o.address = d->findChild<CIPAddressEdit*>("ipAddress");
        o.serial = d->findChild<QComboBox*>("serialPorts");
        o.parallel = d->findChild<QComboBox*>("parallelPorts");
        o.tcpPort = d->findChild<QLineEdit*>("tcpPort");
        o.portSettings = d->findChild<QPushButton*>("portSettings");
        o.calibrate = d->findChild<QCheckBox*>("calibrate");
        o.ok = d->findChild<QPushButton*>("ok");
        o.cancel = d->findChild<QPushButton*>("cancel");
        o.dialog->show();
        o.dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(d)) qWarning("the dialog never became active");
        return o;
    }

    static QString Address(const Opened& o)
    {
        QStringList fields;
        for (int i = 0; i < 4; ++i) fields << o.address->Field(i)->text();
        return fields.join('.');
    }

    std::unique_ptr<ScriptedUserInterface> m_pUi;

private slots:
    void init() { m_pUi = std::make_unique<ScriptedUserInterface>(); }
    void cleanup() { m_pUi.reset(); }

    void newPrinterOffersSortedListsAndTheFirstSerialPort()
    {
        CQuarnPrinter copy;
        auto o = Open(copy, {{"ttyS2", "ttyUSB0", "ttyS10"}, {"lp1", "lp0"}});

        QCOMPARE(o.dialog->windowTitle(), QString("Printer Settings"));
        QCOMPARE(Entries(o.type), QStringList({"Network", "Parallel", "Serial"}));
        QCOMPARE(Entries(o.serial), QStringList({"ttyS10", "ttyS2", "ttyUSB0"}));
        QCOMPARE(Entries(o.parallel), QStringList({"lp0", "lp1"}));
        QCOMPARE(o.type->currentText(), QString("Serial"));
        QCOMPARE(o.serial->currentText(), QString("ttyS10"));
        QVERIFY(o.serial->isVisible() && o.portSettings->isVisible());
        QVERIFY(!o.parallel->isVisible() && !o.address->isVisible() && !o.tcpPort->isVisible());
        QCOMPARE(o.calibrate->text(), QString("Printer Calibration after download: (KPL Only)"));
        QVERIFY(o.calibrate->isVisible() && o.calibrate->isChecked());
        QCOMPARE(o.name->text(), QString::fromStdString(copy.m_strName));

        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QVERIFY(copy.m_pPort->IsKindOf(RUNTIME_CLASS(CSerialPort)));
        QCOMPARE(copy.Port(), CString("ttyS10"));
        QVERIFY(m_pUi->Texts().empty());
    }

    void networkShowsZeroAddressAndPort9100AndSerialGetsTheFirstPortBack()
    {
        CQuarnPrinter copy;
        auto o = Open(copy, {{"ttyS0", "ttyS1"}, {}});
        Choose(o.serial, "ttyS1");
        Retype(o.name, "Dock 4");

        Choose(o.type, "Network");
        QCOMPARE(Address(o), QString("0.0.0.0"));
        QCOMPARE(o.tcpPort->text(), QString("9100"));
        QVERIFY(o.address->isVisible() && o.tcpPort->isVisible());
        QVERIFY(!o.serial->isVisible() && !o.portSettings->isVisible());
        QVERIFY(copy.m_pPort->IsKindOf(RUNTIME_CLASS(CNetworkPort)));
        // The address typed in one go, fields advancing on the dot.
        o.address->FocusFirstField();
        QTest::keyClicks(QApplication::focusWidget(), "10.");
        QTest::keyClicks(QApplication::focusWidget(), "20.");
        QTest::keyClicks(QApplication::focusWidget(), "30.");
        QTest::keyClicks(QApplication::focusWidget(), "40");
        QCOMPARE(Address(o), QString("10.20.30.40"));

        Choose(o.type, "Serial");
        QCOMPARE(o.serial->currentText(), QString("ttyS0"));
        QVERIFY(copy.m_pPort->IsKindOf(RUNTIME_CLASS(CSerialPort)));
        Choose(o.type, "Network");
        QCOMPARE(Address(o), QString("0.0.0.0"));
        QCOMPARE(o.name->text(), QString("Dock 4"));

        Choose(o.type, "Parallel");
        QVERIFY(o.parallel->isVisible() && !o.portSettings->isVisible());
        QCOMPARE(o.parallel->currentIndex(), -1);
    }

    void aPortOfAKindTheDialogCannotEditBecomesSerial()
    {
        CQuarnPrinter copy;
        copy.m_pPort = new FakePort;
        auto o = Open(copy, {{"ttyS3"}, {}});
        QCOMPARE(o.type->currentText(), QString("Serial"));
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(copy.m_pPort->GetRuntimeClass(), RUNTIME_CLASS(CSerialPort));
        QCOMPARE(copy.Port(), CString("ttyS3"));
    }

    void aStoredPortFindsTheFirstListedPortItBegins()
    {
        CQuarnPrinter copy;
        auto* port = new CSerialPort;
        port->SetPortName("TTYS1");
        copy.m_pPort = port;
        auto o = Open(copy, {{"ttyS10", "ttyS0"}, {}});

        QCOMPARE(o.serial->currentText(), QString("ttyS10"));
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(copy.Port(), CString("ttyS10"));
    }

    void aVanishedPortOrNoPortsAtAllAsksForAPort()
    {
        CQuarnPrinter copy;
        auto* port = new CSerialPort;
        port->SetPortName("ttyS7");
        copy.m_pPort = port;
        auto o = Open(copy, {{"ttyS0"}, {}});
        QCOMPARE(o.serial->currentIndex(), -1);
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(m_pUi->Texts(), std::vector<CString>{"Please select a port."});
        QVERIFY(o.dialog->isVisible());
        QCOMPARE(o.dialog->result(), int(QDialog::Rejected));

        CQuarnPrinter bare;
        auto none = Open(bare, {{}, {}});
        QTest::mouseClick(none.ok, Qt::LeftButton);
        QCOMPARE(m_pUi->Texts().size(), std::size_t{2});
        QVERIFY(none.dialog->isVisible());
    }

    void aUsbPrinterCannotChangeItsKind()
    {
        CQuarnPrinter copy;
        auto* port = new CUSBPort;
        port->SetPortName("/nonexistent/usb/lp9");
        copy.m_pPort = port;
        copy.m_strModel = "QL-420";
        auto o = Open(copy, {{"ttyS0"}, {"lp0"}});

        QCOMPARE(Entries(o.type), QStringList({"Network", "Parallel", "Serial", "USB"}));
        QCOMPARE(o.type->currentText(), QString("USB"));
        QVERIFY(!o.type->isEnabled());
        QVERIFY(!o.serial->isVisible() && !o.parallel->isVisible() && !o.tcpPort->isVisible() && !o.address->isVisible()
                && !o.portSettings->isVisible());
        QCOMPARE(o.model->text(), QString("QL-420"));
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(copy.Port(), CString("/nonexistent/usb/lp9"));
    }

    void aUsbModelThatCannotBeReadIsReportedAndTheDialogStillOpens()
    {
        CQuarnPrinter copy;
        copy.m_strName = "Label Desk";
        auto* port = new CUSBPort;
        port->SetPortName("/nonexistent/usb/lp9");
        copy.m_pPort = port;
        auto o = Open(copy, {{}, {}});

        QCOMPARE(m_pUi->Texts(), std::vector<CString>{"That port is unavailable."});
        QVERIFY(o.dialog->isVisible());
        QCOMPARE(o.name->text(), QString("Label Desk"));
        QCOMPARE(o.model->text(), QString());
        Retype(o.model, "QL-320");
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(copy.m_strModel, CString("QL-320"));
    }

    void aTcpPortOutsideTheRangeKeepsTheDialogOpen()
    {
        CQuarnPrinter copy;
        auto* port = new CNetworkPort;
        port->SetIPAddress(127, 0, 0, 7);
        copy.m_pPort = port;
        auto o = Open(copy, {{}, {}});
        QCOMPARE(o.type->currentText(), QString("Network"));
        QCOMPARE(Address(o), QString("127.0.0.7"));
        QCOMPARE(o.tcpPort->text(), QString("9100"));

        Retype(o.tcpPort, "70000");
        QTest::mouseClick(o.ok, Qt::LeftButton);
        Retype(o.tcpPort, "91x");
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(m_pUi->Texts(), (std::vector<CString>{"Please enter an integer between 0 and 65535.", "Please enter an integer."}));
        QVERIFY(o.dialog->isVisible());
        QCOMPARE(port->m_nTcpPort, 9100);

        Retype(o.tcpPort, "65535");
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(static_cast<CNetworkPort*>(copy.m_pPort)->m_nTcpPort, 65535);
    }

    void blankAddressFieldsAreStoredAsZeros()
    {
        CQuarnPrinter copy;
        auto* port = new CNetworkPort;
        port->SetIPAddress(10, 1, 2, 3);
        copy.m_pPort = port;
        auto o = Open(copy, {{}, {}});
        Retype(o.address->Field(1), "");
        Retype(o.address->Field(3), "");

        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(copy.Port(), CString("10.0.2.0"));
    }

    void anAddressPartAbove255IsRefusedWhereItIsTypedAndTheNameHasTheFocus()
    {
        CQuarnPrinter copy;
        auto* port = new CNetworkPort;
        port->SetIPAddress(10, 1, 2, 3);
        copy.m_pPort = port;
        auto o = Open(copy, {{}, {}});
        QCOMPARE(QApplication::focusWidget(), o.name);
        QVERIFY(o.name->hasSelectedText());

        const QLabel* refusal = o.address->RefusalLine();
        QVERIFY(!refusal->isVisibleTo(o.dialog.get()));
        Retype(o.address->Field(2), "999");
        QCOMPARE(o.address->Field(2)->text(), QStringLiteral("99"));
        QVERIFY(refusal->isVisibleTo(o.dialog.get()));
        QVERIFY2(refusal->text().contains("999") && refusal->text().contains("0 to 255"), qPrintable(refusal->text()));
        Retype(o.address->Field(3), "300");
        QCOMPARE(o.address->Field(3)->text(), QStringLiteral("30"));
        Retype(o.address->Field(3), "255");
        QVERIFY(!refusal->isVisibleTo(o.dialog.get()));

        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(o.dialog->result(), int(QDialog::Accepted));
        QCOMPARE(copy.Port(), CString("10.1.99.255"));
    }

    void theFlagHidesCalibrationAndTheCheckBoxIsStored()
    {
        CQuarnPrinter hidden;
        auto h = Open(hidden, {{"ttyS0"}, {}}, cfHideCalibrate);
        QVERIFY(!h.calibrate->isVisible());

        CQuarnPrinter copy;
        auto o = Open(copy, {{"ttyS0"}, {}});
        Retype(o.name, "Packing 2");
        Retype(o.model, "QX-4");
        QTest::mouseClick(o.calibrate, Qt::LeftButton);
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(copy.m_strName, CString("Packing 2"));
        QCOMPARE(copy.m_strModel, CString("QX-4"));
        QVERIFY(!copy.m_bCalibrate);
    }

    void aNameThatIsNotUtf8SurvivesWhenLeftAlone()
    {
        CQuarnPrinter copy;
        copy.m_strName = "Caf\xE9";
        auto o = Open(copy, {{"ttyS0"}, {}});
        QTest::mouseClick(o.ok, Qt::LeftButton);
        QCOMPARE(copy.m_strName, CString("Caf\xE9"));
    }

    void portSettingsEditTheCopysSerialPort()
    {
        CQuarnPrinter copy;
        auto o = Open(copy, {{"ttyS0"}, {}});
        ModalScript script;
        script.Then([](QWidget* settings) {
            Choose(settings->findChild<QComboBox*>("baudRate"), "19200");
            Choose(settings->findChild<QComboBox*>("parity"), "Odd");
            ClickButton(settings, "ok");
        });
        QTest::mouseClick(o.portSettings, Qt::LeftButton);
        QVERIFY(script.Done());

        auto* port = static_cast<CSerialPort*>(copy.m_pPort);
        QCOMPARE(port->m_nBaudRate, 19200);
        QCOMPARE(port->m_nParity, std::int32_t{CSerialPort::ODDPARITY});
    }
};

QTEST_MAIN(PrinterConfigureDlgTest)
#include "printer_configure_dlg_test.moc"
