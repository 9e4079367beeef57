// How each printer's download ends on screen: failures gathered in one window that holds no
// printer back, the last outcome kept in the Download Status column, the summary of a run,
// Retry Failed, and the calibration pause counted as part of the download.
#include <QAction>
#include <QStatusBar>
#include <QTest>
#include <fstream>

#include "CDownloadFailuresWindow.h"
#include "CDownloadHistoryWindow.h"
#include "CDownloadJournal.h"
#include "CFirmwareDownloaderDoc.h"
#include "CFirmwareDownloaderView.h"
#include "CMainFrame.h"
#include "CQuarnPrinter.h"
#include "CSettingsApplication.h"
#include "CTextProgressCtrl.h"
#include "CommandTable.h"
#include "SimProcess.h"
#include "downloader_fixture.h"

namespace {

QString Cell(CFirmwareDownloaderView& view, int row) { return view.topLevelItem(row)->text(4); }
QString Tip(CFirmwareDownloaderView& view, int row) { return view.topLevelItem(row)->toolTip(4); }
bool HasIcon(CFirmwareDownloaderView& view, int row) { return !view.topLevelItem(row)->icon(4).isNull(); }

QString StatusBarText(CMainFrame& frame) { return frame.statusBar()->currentMessage(); }

// An address of this machine where nothing listens: every connect is refused at once.
const char* const kNobodyHome = "127.0.0.9";

}  // namespace

class DownloaderOutcomesTest : public QObject {
    Q_OBJECT
private slots:
    void theHealthyPrinterFinishesWhileTheFirstOnesFailureIsOnScreen()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "Line2@127.0.0.2:0,rate=200000,rcvbuf=8192"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 100 * 1024);
        QVERIFY(fixture.Start(fixture.WriteDocument(
            "line.qps", {{"Line1", kNobodyHome, sim.PortOf("Line2"), firmware.string()},
                         {"Line2", "127.0.0.2", sim.PortOf("Line2"), firmware.string()}})));
        fixture.Printers().MaxSimultaneousDownloads(1);
        CFirmwareDownloaderView& view = fixture.View();
        CDownloadFailuresWindow& failures = *fixture.Frame().FailuresWindow();

        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_VERIFY_WITH_TIMEOUT(failures.isVisible(), 20000);
        QCOMPARE(failures.FailureCount(), 1);
        QVERIFY2(failures.FailureLine(0).startsWith(QStringLiteral("Line1 (127.0.0.9")), qPrintable(failures.FailureLine(0)));
        // With the failure on screen and nobody answering it, the one slot goes on to Line2.
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY(failures.isVisible());
        QCOMPARE(sim.WaitForRecords(1).front().bytes, 100u * 1024u);
        QVERIFY(fixture.Ui().Texts().empty());

        QVERIFY2(Cell(view, 0).startsWith(QStringLiteral("Failed: ")), qPrintable(Cell(view, 0)));
        // The reason's first line in the cell, the whole message (text, then the system's
        // detail) in the tooltip; the line break between them is layout, not an escape.
        QCOMPARE(QStringLiteral("Failed: ") + Tip(view, 0).section(QLatin1Char('\n'), 0, 0), Cell(view, 0));
        QVERIFY(Tip(view, 0).contains(QLatin1Char('\n')));
        QVERIFY(!Tip(view, 0).contains(QStringLiteral("\\x")));
        QVERIFY(!failures.FailureLine(0).contains(QStringLiteral("\\x")));
        QVERIFY2(Cell(view, 1).startsWith(QStringLiteral("Done \u2014 100.0 KiB in ")), qPrintable(Cell(view, 1)));
        QVERIFY(HasIcon(view, 0) && HasIcon(view, 1));
        QCOMPARE(StatusBarText(fixture.Frame()), QStringLiteral("Downloads finished: 1 ok, 1 failed, 0 cancelled"));
        // Both are on record, under the document they were started from.
        const CDownloadJournal::Contents journal = CDownloadJournal().Read();
        QCOMPARE(journal.entries.size(), std::size_t{2});
        for (const DownloadJournalEntry& entry : journal.entries) {
            QCOMPARE(entry.program, std::string("QuarnDownloader"));
            QCOMPARE(entry.document, CDownloadJournal::DocumentPath((fixture.Folder().Path() / "line.qps").string()));
        }
        QCOMPARE(journal.entries[0].outcome.printer, CString("Line1"));
        QVERIFY(journal.entries[0].outcome.result == DownloadResult::failed);
        QVERIFY(journal.entries[1].outcome.result == DownloadResult::ok);

        // Retry Failed asks again only for the printer that failed; its new run starts a new list.
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_RETRY_FAILED));
        fixture.Action(ID_DOWNLOAD_RETRY_FAILED).trigger();
        QCOMPARE(view.ActiveDownloads(), 1);
        QCOMPARE(failures.FailureCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QCOMPARE(failures.FailureCount(), 1);
        QVERIFY(Cell(view, 1).startsWith(QStringLiteral("Done")));
        QCOMPARE(StatusBarText(fixture.Frame()), QStringLiteral("Downloads finished: 0 ok, 1 failed, 0 cancelled"));
        QCOMPARE(sim.Records().size(), std::size_t{1});
    }

    void withErrorsShownOnDemandTheFailuresWaitInTheList()
    {
        DownloaderFixture fixture;
        SetShowDownloadErrorsAsTheyHappen(false);
        const auto firmware = fixture.WriteFile("firmware.prg", 1024);
        QVERIFY(fixture.Start(
            fixture.WriteDocument("line.qps", {{"Line1", kNobodyHome, 9100, firmware.string()}})));
        CFirmwareDownloaderView& view = fixture.View();
        CDownloadFailuresWindow& failures = *fixture.Frame().FailuresWindow();
        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY(Cell(view, 0).startsWith(QStringLiteral("Failed: ")));
        QVERIFY(!failures.isVisible());
        fixture.Action(ID_VIEW_DOWNLOAD_FAILURES).trigger();
        QVERIFY(failures.isVisible());
        QCOMPARE(failures.FailureCount(), 1);
    }

    void cancelShowsWhereEachPrinterStoppedAndTheStatusFollowsTheName()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "First@127.0.0.2:0,rate=60000,rcvbuf=8192", "--network",
                        "Second@127.0.0.3:0,rate=60000,rcvbuf=8192"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 300 * 1024);
        QVERIFY(fixture.Start(fixture.WriteDocument(
            "sim.qps", {{"First", "127.0.0.2", sim.PortOf("First"), firmware.string()},
                        {"Second", "127.0.0.3", sim.PortOf("Second"), firmware.string()}})));
        fixture.Printers().MaxSimultaneousDownloads(1);
        CFirmwareDownloaderView& view = fixture.View();
        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(view.RowPrinter(0)) && view.ProgressBar(view.RowPrinter(0))->Pos() > 0,
                                 10000);
        fixture.Action(ID_DOWNLOAD_CANCEL).trigger();
        // The dropped request still counts until its outcome arrives.
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY2(Cell(view, 0).startsWith(QStringLiteral("Cancelled at ")) &&
                     Cell(view, 0).endsWith(QStringLiteral(" of 300.0 KiB)")) &&
                     !Cell(view, 0).startsWith(QStringLiteral("Cancelled at 0 %")),
                 qPrintable(Cell(view, 0)));
        QCOMPARE(Cell(view, 1), QStringLiteral("Cancelled at 0 % (0 bytes of 300.0 KiB)"));
        QCOMPARE(StatusBarText(fixture.Frame()), QStringLiteral("Downloads finished: 0 ok, 0 failed, 2 cancelled"));
        QVERIFY(!fixture.Frame().FailuresWindow()->isVisible());

        // Kept across a rebuild; gone once the printer is someone else by name.
        const QString first = Cell(view, 0);
        fixture.Document().UpdateAllViews();
        QCOMPARE(Cell(view, 0), first);
        QCOMPARE(Cell(view, 1), QStringLiteral("Cancelled at 0 % (0 bytes of 300.0 KiB)"));
        fixture.Ui().QueueConfigureDialog([](CQuarnPrinter& printer, unsigned) {
            printer.m_strName = "Third";
            return true;
        });
        fixture.SelectRows({1});
        fixture.Action(ID_PRINTER_MODIFY).trigger();
        QCOMPARE(view.topLevelItem(1)->text(0), QStringLiteral("Third"));
        QCOMPARE(Cell(view, 1), QString());
        QCOMPARE(Cell(view, 0), first);
    }

    void aCalibratingPrinterCountsAsRunningUntilItsOutcome()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "Cal@127.0.0.2:0"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 20 * 1024);
        NetworkPrinterRow row{"Cal", "127.0.0.2", sim.PortOf("Cal"), firmware.string()};
        row.calibrate = true;
        QVERIFY(fixture.Start(fixture.WriteDocument("cal.qps", {row})));
        CFirmwareDownloaderView& view = fixture.View();
        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        // The pause before the calibration lasts 5 s.
        QTRY_COMPARE_WITH_TIMEOUT(Cell(view, 0), QStringLiteral("Calibrating"), 10000);
        QCOMPARE(view.ActiveDownloads(), 1);
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_CANCEL));
        QVERIFY(!fixture.Enabled(ID_DOWNLOAD_ALL));
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY2(Cell(view, 0).startsWith(QStringLiteral("Done \u2014 20.0 KiB in ")), qPrintable(Cell(view, 0)));
        // The time is the file's, not the 5 s pause's.
        QVERIFY2(Cell(view, 0).section(QLatin1Char(' '), 5, 5).toDouble() < 5.0, qPrintable(Cell(view, 0)));
        QCOMPARE(StatusBarText(fixture.Frame()), QStringLiteral("Downloads finished: 1 ok, 0 failed, 0 cancelled"));
    }

    void historyShowsTheJournalNewestFirstAndNarrowsToOnePrinter()
    {
        DownloaderFixture fixture;
        CDownloadJournal journal;
        const auto at = [](int minute) {
            return *ParseIsoUtc("2026-12-08T21:" + std::to_string(10 + minute) + ":00.000Z");
        };
        for (int i = 0; i < 3; ++i) {
            DownloadOutcome outcome;
            outcome.printer = i == 1 ? "Line2" : "Line1";
            outcome.port = "10.0.0." + std::to_string(i + 1);
            outcome.file = "/srv/firmware-" + std::to_string(i) + ".prg";
            outcome.fileSize = 3000;
            outcome.bytesTaken = i == 2 ? 3000 : 1200;
            outcome.result = i == 2 ? DownloadResult::ok : DownloadResult::failed;
            outcome.text = i == 2 ? "" : "That port is unavailable.";
            outcome.started = outcome.ended = at(i);
            QVERIFY(!journal.Append(outcome, "quarnctl", "/srv/site.qps"));
        }
        std::ofstream(journal.Path(), std::ios::app) << "{\"printer\": \"cut short\n";
        QVERIFY(fixture.Start());
        fixture.Action(ID_VIEW_DOWNLOAD_HISTORY).trigger();
        CDownloadHistoryWindow& history = *fixture.Frame().HistoryWindow();
        QVERIFY(history.isVisible());
        QCOMPARE(history.VisibleRows(), 3);
        QCOMPARE(history.VisibleCell(0, CDownloadHistoryWindow::colFile), QStringLiteral("/srv/firmware-2.prg"));
        QCOMPARE(history.VisibleCell(0, CDownloadHistoryWindow::colResult), QStringLiteral("ok"));
        QCOMPARE(history.VisibleCell(0, CDownloadHistoryWindow::colBytes), QStringLiteral("3000/3000"));
        QCOMPARE(history.VisibleCell(2, CDownloadHistoryWindow::colFile), QStringLiteral("/srv/firmware-0.prg"));
        QCOMPARE(history.VisibleCell(2, CDownloadHistoryWindow::colMessage),
                 QStringLiteral("That port is unavailable."));
        QVERIFY2(history.Summary().contains(QStringLiteral("1 damaged line")), qPrintable(history.Summary()));

        history.FilterPrinter(QStringLiteral("Line1"));
        QCOMPARE(history.VisibleRows(), 2);
        QCOMPARE(history.VisibleCell(1, CDownloadHistoryWindow::colPort), QStringLiteral("10.0.0.1"));
        // A later download shows at the next reload, under the printer still chosen.
        DownloadOutcome later;
        later.printer = "Line1";
        later.result = DownloadResult::cancelled;
        later.started = later.ended = at(5);
        QVERIFY(!journal.Append(later, "quarnctl", "/srv/site.qps"));
        history.Reload();
        QCOMPARE(history.VisibleRows(), 3);
        QCOMPARE(history.VisibleCell(0, CDownloadHistoryWindow::colResult), QStringLiteral("cancelled"));
        history.FilterPrinter(QString());
        QCOMPARE(history.VisibleRows(), 4);
    }
};

QTEST_MAIN(DownloaderOutcomesTest)
#include "downloader_outcomes.moc"
