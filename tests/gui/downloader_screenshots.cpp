// Smoke test on a real X server: the downloader with simulated printers downloading, its
// context menus, Options, About and help, each saved as a PNG in the folder given.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <fstream>

#include "CAboutDlg.h"
#include "CDownloadFailuresWindow.h"
#include "CDownloadHistoryWindow.h"
#include "CFirmwareDownloaderView.h"
#include "CHelpWindow.h"
#include "CMainFrame.h"
#include "CQtUserInterface.h"
#include "COptionsDlg.h"
#include "CTextProgressCtrl.h"
#include "CommandTable.h"
#include "ModalScript.h"
#include "SimProcess.h"
#include "downloader_fixture.h"
#include "Screenshot.h"

namespace {

bool SaveMenu(std::unique_ptr<QMenu> menu, QWidget& owner, const QDir& folder, const QString& name)
{
    menu->popup(owner.mapToGlobal(QPoint(40, 40)));
    const bool saved = SaveScreenshot(*menu, folder, name);
    menu->close();
    return saved;
}

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired()) QTest::qWait(20);
    return condition();
}

// A run that ends with one printer done, one failed and two cancelled: the list with each
// printer's outcome and the summary, and the failures window over it, in one picture.
bool SaveFinishedMixedRun(DownloaderFixture& fixture, const QDir& folder, const std::string& firmware)
{
    SimProcess sim({"--network", "Line5-labeller@127.0.0.6:0", "--network",
                    "Line7-labeller@127.0.0.7:0,rate=30000,rcvbuf=8192", "--network",
                    "Line8-labeller@127.0.0.8:0,rate=30000,rcvbuf=8192"});
    sim.Start();
    const std::vector<NetworkPrinterRow> printers = {
        {"Line5-labeller", "127.0.0.6", sim.PortOf("Line5-labeller"), firmware, "QX-405"},
        // Nothing answers there: its download fails.
        {"Line6-labeller", "127.0.0.9", sim.PortOf("Line5-labeller"), firmware, "QX-406"},
        {"Line7-labeller", "127.0.0.7", sim.PortOf("Line7-labeller"), firmware, "QX-407"},
        {"Line8-labeller", "127.0.0.8", sim.PortOf("Line8-labeller"), firmware, "QX-408"},
    };
    if (!fixture.App().OpenDocumentFile(QString::fromStdString(fixture.WriteDocument("mixed.qps", printers).string())))
        return false;
    CMainFrame& frame = fixture.Frame();
    CFirmwareDownloaderView& view = fixture.View();
    frame.move(0, 0);
    frame.resize(980, 420);
    fixture.Printers().MaxSimultaneousDownloads(3);
    frame.Action(ID_DOWNLOAD_ALL)->trigger();
    // Line5 done and Line6 failed; Line8 took Line5's place and has begun.
    const bool underway = WaitFor(
        [&] {
            CTextProgressCtrl* last = view.ProgressBar(view.RowPrinter(3));
            return view.topLevelItem(0)->text(4).startsWith("Done") &&
                   view.topLevelItem(1)->text(4).startsWith("Failed") && last && last->Pos() > 0;
        },
        30000);
    view.OnDownloadCancel();
    const bool finished = WaitFor([&] { return view.ActiveDownloads() == 0; }, 30000);
    if (!underway || !finished) {
        std::fprintf(stderr, "the mixed run did not end as planned\n");
        return false;
    }
    QWidget& failures = *frame.FailuresWindow();
    failures.move(frame.geometry().left() + 360, frame.geometry().top() + 250);
    if (!SaveScreenshot(frame, folder, "downloader-finished-run") ||
        !SaveScreenshot(failures, folder, "downloader-failures"))
        return false;
    // Both together, as the operator sees them.
    const QRect both = frame.frameGeometry().united(failures.frameGeometry());
    const QString path = folder.filePath("downloader-finished-run-with-failures.png");
    if (!frame.screen()->grabWindow(0, both.x(), both.y(), both.width(), both.height()).save(path)) return false;
    std::printf("%s\n", qPrintable(path));
    failures.hide();
    frame.Action(ID_VIEW_DOWNLOAD_HISTORY)->trigger();
    return frame.HistoryWindow() && SaveScreenshot(*frame.HistoryWindow(), folder, "downloader-history");
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

    DownloaderFixture fixture;
    std::vector<std::string> simArguments;
    std::vector<NetworkPrinterRow> printers;
    for (int i = 1; i <= 4; ++i) {
        const std::string name = "Line" + std::to_string(i) + "-labeller";
        const std::string address = "127.0.0." + std::to_string(i + 1);
        simArguments.insert(simArguments.end(), {"--network", name + "@" + address + ":0,rate=60000,rcvbuf=8192"});
        printers.push_back({name, address, 0, "", "QX-" + std::to_string(400 + i)});
    }
    SimProcess sim(simArguments);
    sim.Start();
    const std::string firmware = fixture.WriteFile("qx-firmware-2.7.prg", 400 * 1024).string();
    for (std::size_t i = 0; i < printers.size(); ++i) {
        printers[i].tcpPort = sim.PortOf(printers[i].name);
        if (i < 3) printers[i].file = firmware;
    }
    if (!fixture.Start(fixture.WriteDocument("line.qps", printers))) return 1;
    CMainFrame& frame = fixture.Frame();
    // A first start opens maximised; restored, it keeps every column in view.
    frame.showNormal();
    bool saved = WaitFor([&] { return !frame.isMaximized(); }, 5000) &&
                 SaveScreenshot(frame, folder, "downloader-first-window-restored");
    frame.resize(980, 420);
    fixture.Printers().MaxSimultaneousDownloads(3);

    CFirmwareDownloaderView& view = fixture.View();
    frame.Action(ID_DOWNLOAD_ALL)->trigger();
    const bool downloading = WaitFor(
        [&] {
            for (int row = 0; row < 3; ++row) {
                CTextProgressCtrl* bar = view.ProgressBar(view.RowPrinter(row));
                if (!bar || bar->Pos() == 0) return false;
            }
            return true;
        },
        10000);
    if (!downloading) std::fprintf(stderr, "the downloads did not show their bars\n");
    saved &= downloading && SaveScreenshot(frame, folder, "downloader-downloading");
    fixture.View().OnDownloadCancel();
    WaitFor([&] { return view.ActiveDownloads() == 0; }, 30000);

    view.clearSelection();
    saved &= SaveMenu(view.CreateContextMenu(view.visualItemRect(view.topLevelItem(0)).center()), frame, folder,
                      "downloader-context-on-item");
    saved &= SaveMenu(view.CreateContextMenu(QPoint(5, view.viewport()->height() - 2)), frame, folder,
                      "downloader-context-background");

    COptionsDlg options(1, &frame);
    saved &= SaveScreenshot(options, folder, "downloader-options");
    options.close();
    CAboutDlg about(&frame);
    saved &= SaveScreenshot(about, folder, "downloader-about");
    about.close();
    frame.OpenHelpFile();
    saved &= frame.HelpWindow() && SaveScreenshot(*frame.HelpWindow(), folder, "downloader-help");
    frame.HelpWindow()->close();

    // An import refused for two bad lines, in the message box the program really shows.
    const std::filesystem::path list = fixture.Folder().Path() / "new-site.csv";
    std::ofstream(list) << "name,kind,port,tcp_port\nLine5-labeller,network,10.0.0.15,9100\n"
                           "Line6-labeller,netwrk,10.0.0.16,9100\nLine7-labeller,network,10.0.0.17,91000\n";
    CQtUserInterface messages;
    AfxSetUserInterface(&messages);
    ModalScript refusal;
    refusal.Then(ChooseFile(list)).Then([&](QWidget* box) {
        saved &= SaveScreenshot(*box, folder, "downloader-import-refused");
        ClickButton(box, "OK");
    });
    frame.Action(ID_FILE_IMPORT_PRINTERS)->trigger();
    AfxSetUserInterface(&fixture.Ui());
    saved &= refusal.Done();

    saved &= SaveFinishedMixedRun(fixture, folder, firmware);
    return saved ? 0 : 1;
}
