// The serial port settings dialog: what it shows for a port, its defaults, and what OK and
// Cancel leave in the port.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "CSerialPort.h"
#include "CSerialPortSettingsDlg.h"
#include "ModalScript.h"

namespace {

struct Settings {
    std::int32_t baud, dataBits, parity, stopBits, flow;
    bool operator==(const Settings&) const = default;
};

Settings Of(const CSerialPort& port)
{
    Settings s{};
    port.GetLineSettings(&s.baud, &s.dataBits, &s.parity, &s.stopBits, &s.flow);
    return s;
}

QStringList Shown(const QWidget& dialog)
{
    QStringList shown;
    for (const char* name : {"baudRate", "dataBits", "parity", "stopBits", "flowControl"})
        shown << dialog.findChild<QComboBox*>(name)->currentText();
    return shown;
}

void Choose(QWidget& dialog, const char* list, const QString& text)
{
    auto* combo = dialog.findChild<QComboBox*>(list);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < combo->count() && combo->currentText() != text; ++i) QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), text);
}

}  // namespace

class SerialPortSettingsDlgTest : public QObject {
    Q_OBJECT

private slots:
    void theFormHasOneTabAndTheListsInTheirOrder()
    {
        CSerialPortSettingsDlg dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QString("Port Settings"));
        auto* tabs = dialog.findChild<QTabWidget*>();
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QString("Port Settings"));
        auto entries = [&](const char* name) {
            QStringList all;
            auto* list = dialog.findChild<QComboBox*>(name);
            for (int i = 0; i < list->count(); ++i) all << list->itemText(i);
            return all;
        };
        QCOMPARE(entries("baudRate"), QStringList({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                                   "38400", "56000", "57600", "115200", "128000", "256000"}));
        QCOMPARE(entries("dataBits"), QStringList({"7", "8"}));
        QCOMPARE(entries("parity"), QStringList({"Even", "Odd", "None"}));
        QCOMPARE(entries("stopBits"), QStringList({"1", "2"}));
        QCOMPARE(entries("flowControl"), QStringList({"Xon / Xoff", "Hardware"}));
        QStringList labels;
        for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
        QCOMPARE(labels, QStringList({"&Bits per second:", "&Data bits:", "&Parity:", "&Stop bits:", "&Flow Control"}));
        QCOMPARE(dialog.findChild<QPushButton*>("restoreDefaults")->text(), QString("&Restore Defaults"));
        QCOMPARE(Shown(dialog), QStringList({"9600", "8", "None", "1", "Xon / Xoff"}));
    }

    void aNewPortShowsItsOwnSettings()
    {
        CSerialPort port;
        CSerialPortSettingsDlg dialog(&port);
        QCOMPARE(Shown(dialog), QStringList({"9600", "8", "None", "1", "Hardware"}));
    }

    void restoreDefaultsThenOkStoresTheDialogsDefaults()
    {
        CSerialPort port;
        port.SetLineSettings(19200, 7, CSerialPort::EVENPARITY, CSerialPort::TWOSTOPBITS, CSerialPort::FLOW_HARDWARE);
        CSerialPortSettingsDlg dialog(&port);
        dialog.show();
        QCOMPARE(Shown(dialog), QStringList({"19200", "7", "Even", "2", "Hardware"}));

        QTest::mouseClick(dialog.findChild<QPushButton*>("restoreDefaults"), Qt::LeftButton);
        QCOMPARE(Of(port).baud, 19200);
        ClickButton(&dialog, "ok");

        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY((Of(port) == Settings{9600, 8, CSerialPort::NOPARITY, CSerialPort::ONESTOPBIT, CSerialPort::FLOW_XONXOFF}));
    }

    void valuesTheListsDoNotOfferAreShownAndStoredAsTheirNearestChoice()
    {
        CSerialPort port;
        // Only a settings document can hold these.
        port.m_nBaudRate = 1000;
        port.m_nStopBits = CSerialPort::ONE5STOPBITS;
        port.m_nParity = CSerialPort::MARKPARITY;
        CSerialPortSettingsDlg dialog(&port);
        dialog.show();
        QCOMPARE(Shown(dialog), QStringList({"9600", "8", "None", "1", "Hardware"}));

        ClickButton(&dialog, "ok");
        QVERIFY((Of(port) == Settings{9600, 8, CSerialPort::NOPARITY, CSerialPort::ONESTOPBIT, CSerialPort::FLOW_HARDWARE}));
    }

    void everyChoiceReachesThePortOnOk()
    {
        CSerialPort port;
        CSerialPortSettingsDlg dialog(&port);
        dialog.show();
        Choose(dialog, "baudRate", "115200");
        Choose(dialog, "dataBits", "7");
        Choose(dialog, "parity", "Odd");
        Choose(dialog, "stopBits", "2");
        Choose(dialog, "flowControl", "Xon / Xoff");
        ClickButton(&dialog, "ok");
        QVERIFY((Of(port) == Settings{115200, 7, CSerialPort::ODDPARITY, CSerialPort::TWOSTOPBITS, CSerialPort::FLOW_XONXOFF}));
    }

    void cancelAfterChangingEveryListLeavesThePort()
    {
        CSerialPort port;
        const Settings before = Of(port);
        CSerialPortSettingsDlg dialog(&port);
        dialog.show();
        Choose(dialog, "baudRate", "300");
        Choose(dialog, "dataBits", "7");
        Choose(dialog, "parity", "Even");
        Choose(dialog, "stopBits", "2");
        Choose(dialog, "flowControl", "Xon / Xoff");
        ClickButton(&dialog, "cancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(Of(port) == before);
    }
};

QTEST_MAIN(SerialPortSettingsDlgTest)
#include "serial_port_settings_dlg_test.moc"
