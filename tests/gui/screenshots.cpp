// Smoke test on a real X server: shows each of the library's dialogs and saves a picture of
// it as a PNG in the folder given, so a person can see how they look.
#include <QApplication>
#include <QDir>
#include <QTest>
#include <cstdio>

#include "CNetworkPort.h"
#include "CPrinterConfigureDlg.h"
#include "CQuarnPrinter.h"
#include "CSearchWaitDialog.h"
#include "CSerialPort.h"
#include "CSerialPortSettingsDlg.h"
#include "FakeSearch.h"
#include "Screenshot.h"

namespace {

bool Save(QWidget& dialog, const QDir& folder, const QString& name)
{
    const bool saved = SaveScreenshot(dialog, folder, name);
    dialog.close();
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QDir folder(argv[1]);
    if (!folder.mkpath(".")) return 1;

    bool saved = true;
    const CCommSingleton::PortLists ports{{"ttyS0", "ttyS1", "ttyUSB0"}, {"lp0"}};

    CQuarnPrinter serial;
    CPrinterConfigureDlg serialDialog(serial, 0, ports);
    saved &= Save(serialDialog, folder, "printer-settings-serial");

    CQuarnPrinter network;
    auto* port = new CNetworkPort;
    port->SetIPAddress(192, 168, 10, 40);
    network.m_pPort = port;
    network.m_strModel = "QX-4";
    CPrinterConfigureDlg networkDialog(network, 0, ports);
    saved &= Save(networkDialog, folder, "printer-settings-network");

    CSerialPort line;
    CSerialPortSettingsDlg settings(&line);
    saved &= Save(settings, folder, "port-settings");

    FakeSearch search;
    CSearchWaitDialog wait(search);
    saved &= Save(wait, folder, "please-wait");

    return saved ? 0 : 1;
}
