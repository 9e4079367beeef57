// The downloader's main window driven as an operator drives it: enable rules, the document
// cycle with its save questions, the commands on selected rows, context menus, and
// downloads to simulated printers with their bars.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <fstream>

#include "CFirmwareDownloaderDoc.h"
#include "CFirmwareDownloaderView.h"
#include "CHelpWindow.h"
#include "CInstanceLock.h"
#include "CMainFrame.h"
#include "CTextProgressCtrl.h"
#include "CommandTable.h"
#include "DownloaderStrings.h"
#include "FleetList.h"
#include "ModalScript.h"
#include "SimProcess.h"
#include "StringTable.h"
#include "downloader_fixture.h"
#include "DownloadOutcome.h"
#include "WindowMessages.h"

namespace {

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QString Cell(CFirmwareDownloaderView& view, int row, int column) { return view.topLevelItem(row)->text(column); }

const std::vector<NetworkPrinterRow> kThreePrinters = {
    {"Printer#1", "10.0.0.1", 9100, "", "Model A"},
    {"Printer#2", "10.0.0.2", 9100, "/firmware/two.prg", "Model B"},
    {"Printer#3", "10.0.0.3", 9100, "", "Model C"},
};

}  // namespace

class DownloaderWindowTest : public QObject {
    Q_OBJECT
private slots:
    void emptyListEnablesOnlyListWideCommands()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        for (int id : {ID_FILE_SAVE, ID_DOWNLOAD_ALL, ID_DOWNLOAD_SELECTED, ID_DOWNLOAD_CANCEL, ID_EDIT_SELECT_ALL,
                       ID_PRINTER_MODIFY, ID_PRINTER_DELETE, ID_FIRMWARE_SELECT, ID_TEST_PAGE_QPL})
            QVERIFY2(!fixture.Enabled(id), qPrintable(QString::number(id)));
        for (int id : {ID_FILE_SAVE_AS, ID_PRINTER_ADD, ID_PRINTER_AUTODETECT, ID_TOOLS_OPTIONS, ID_FILE_OPEN,
                       ID_HELP_CONTENTS, ID_APP_ABOUT})
            QVERIFY2(fixture.Enabled(id), qPrintable(QString::number(id)));
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("Untitled - QuarnDownloader"));
        QCOMPARE(fixture.View().headerItem()->text(4), QStringLiteral("Download Status"));
    }

    void f1OpensTheHelpBesideTheProgramWhateverTheCurrentFolder()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        const QString before = QDir::currentPath();
        QDir::setCurrent(QDir::rootPath());
        QTest::keyClick(&fixture.Frame(), Qt::Key_F1);
        QDir::setCurrent(before);
        CHelpWindow* help = fixture.Frame().HelpWindow();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->source().toLocalFile(),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/Firmware Downloader.html"));
        QVERIFY(help->toPlainText().contains(QStringLiteral("How many downloads run at once")));
    }

    void theHelpListsTheMessagesAsTheProgramsShowThem()
    {
        QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/Firmware Downloader.html"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument help;
        help.setHtml(QString::fromUtf8(file.readAll()));
        const QString shown = help.toPlainText().simplified();
        // The library's own texts, as its string table holds them (the time-out one up to its list).
        QStringList messages;
        for (unsigned id : {IDS_ERR_BAUD_RATE, IDS_ERR_DATA_BITS, IDS_ERR_PARITY, IDS_ERR_STOP_BITS,
                            IDS_ERR_FLOW_CONTROL, IDS_ERR_CONFIGURATION, IDS_ERR_PORT_UNAVAILABLE,
                            IDS_ERR_THREAD_CREATE, IDS_ERR_CANCELLED, IDS_ERR_INVALID_PARAMETER,
                            IDS_ERR_NOT_BIDIRECTIONAL, IDS_NAME_IN_USE, IDS_PORT_IN_USE, IDS_SELECT_PORT,
                            IDS_RESET_HEAD_ODOMETER})
            messages << QString::fromStdString(LoadStringResource(id)).simplified();
        messages << QString::fromStdString(LoadStringResource(IDS_ERR_TIMEOUT)).section(':', 0, 0).simplified();
        messages << QString::fromLatin1(DownloaderStrings::kAlreadyRunning).section(" as ", 0, 0)
                 << QStringLiteral("Please enter an integer between 1 and 99.")
                 << QStringLiteral("Please enter an integer between 0 and 65535.")
                 << QStringLiteral("each part of an address is 0 to 255.")
                 << QStringLiteral("Correct these lines and import it again:")
                 << QStringLiteral("Cannot open the fleet list") << QStringLiteral("Cannot write the fleet list")
                 << QStringLiteral("Save changes to") << QStringLiteral("repeats printer names; saving keeps only the last")
                 << QStringLiteral("has been changed by another program since it was opened")
                 << QStringLiteral("does not exist: its folder");
        for (const QString& message : messages) QVERIFY2(shown.contains(message), qPrintable(message));
    }

    void escapeClosesTheHelp()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        fixture.Frame().OpenHelpFile();
        CHelpWindow* help = fixture.Frame().HelpWindow();
        QVERIFY(help && help->isVisible());
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    void anEmptyListSaysHowToFillItAndTheTitleMarksUnsavedChanges()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        QVERIFY(fixture.View().EmptyListHint()->isVisibleTo(&fixture.View()));
        QCOMPARE(fixture.View().EmptyListHint()->text(),
                 QStringLiteral("No printers yet: Printer \u203A Add or Printer \u203A Auto-Detect"));
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("Untitled - QuarnDownloader"));

        const auto document = fixture.WriteDocument("three.qps", kThreePrinters);
        QVERIFY(fixture.App().OpenDocumentFile(QString::fromStdString(document.string())));
        QVERIFY(!fixture.View().EmptyListHint()->isVisibleTo(&fixture.View()));
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("three.qps - QuarnDownloader"));
        fixture.SelectRows({0});
        fixture.Action(ID_PRINTER_DELETE).trigger();
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("three.qps* - QuarnDownloader"));
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("three.qps - QuarnDownloader"));
    }

    void fileDialogsStartInTheDocumentsFolder()
    {
        DownloaderFixture fixture;
        std::filesystem::create_directories(fixture.Folder().Path() / "site");
        const std::filesystem::path document = fixture.WriteDocument("site/three.qps", kThreePrinters);
        QVERIFY(fixture.Start(document));
        fixture.SelectRows({0});
        const QString folder = QString::fromStdString(document.parent_path().string());
        for (int id : {ID_FIRMWARE_SELECT, ID_FILE_OPEN, ID_FILE_SAVE_AS, ID_FILE_IMPORT_PRINTERS, ID_FILE_EXPORT_PRINTERS}) {
            QString shown;
            ModalScript look;
            look.Then([&shown](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                QVERIFY(dialog);
                shown = dialog->directory().absolutePath();
                dialog->reject();
            });
            fixture.Action(id).trigger();
            QVERIFY(look.Done());
            QCOMPARE(shown, folder);
        }
    }

    void saveAsWritesADocumentWithNoPrinters()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        const auto path = fixture.Folder().Path() / "empty.qps";
        ModalScript script;
        script.Then(ChooseFile(path));
        fixture.Action(ID_FILE_SAVE_AS).trigger();
        QVERIFY(script.Done());
        QCOMPARE(ReadBytes(path), std::string(4, '\0'));
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("empty.qps - QuarnDownloader"));
        // Ctrl+S stays off while the list is empty, even with a name to save under.
        QVERIFY(!fixture.Enabled(ID_FILE_SAVE));
    }

    void rowsShowEveryColumnAndNoneSelected()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        CFirmwareDownloaderView& view = fixture.View();
        QCOMPARE(view.RowCount(), 3);
        QCOMPARE(Cell(view, 0, 0), QStringLiteral("Printer#1"));
        QCOMPARE(Cell(view, 0, 1), QStringLiteral("Model A"));
        QCOMPARE(Cell(view, 0, 2), QStringLiteral("10.0.0.1"));
        QCOMPARE(Cell(view, 0, 3), QStringLiteral("None Selected"));
        QCOMPARE(Cell(view, 1, 3), QStringLiteral("/firmware/two.prg"));
        QCOMPARE(Cell(view, 1, 4), QString());
        QCOMPARE(fixture.Frame().windowTitle(), QStringLiteral("three.qps - QuarnDownloader"));
        // Opening does not change the document, so closing asks nothing.
        fixture.Frame().close();
        QVERIFY(fixture.Ui().Texts().empty());
    }

    void textFromADocumentIsShownNeverObeyed()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument(
            "odd.qps", {{"Two\nLines\x1b[2J", "10.0.0.1", 9100, "/fw/\xff.prg", "Model\rA"}})));
        CFirmwareDownloaderView& view = fixture.View();
        QCOMPARE(Cell(view, 0, 0), QStringLiteral("Two\\x0aLines\\x1b[2J"));
        QCOMPARE(Cell(view, 0, 3), QStringLiteral("/fw/\\xff.prg"));
        QCOMPARE(Cell(view, 0, 1), QStringLiteral("Model\\x0dA"));
    }

    void enableRulesFollowSelectionAndFiles()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        QVERIFY(fixture.Enabled(ID_FILE_SAVE));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_ALL));
        QVERIFY(fixture.Enabled(ID_EDIT_SELECT_ALL));
        QVERIFY(!fixture.Enabled(ID_DOWNLOAD_SELECTED));

        fixture.SelectRows({0, 1});  // one with a file, one without
        QVERIFY(!fixture.Enabled(ID_DOWNLOAD_SELECTED));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_ALL));
        QVERIFY(!fixture.Enabled(ID_PRINTER_MODIFY));
        QVERIFY(fixture.Enabled(ID_PRINTER_DELETE));

        fixture.SelectRows({1});
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_SELECTED));
        QVERIFY(fixture.Enabled(ID_PRINTER_MODIFY));
        QVERIFY(fixture.Enabled(ID_TEST_PAGE_KPL));
        QVERIFY(!fixture.Enabled(ID_DOWNLOAD_CANCEL));
    }

    void selectAllSelectsEveryRow()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        QTest::keyClick(&fixture.Frame(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(fixture.View().SelectedCount(), 3);
    }

    void firmwareFileGoesToEverySelectedRow()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        const auto firmware = fixture.WriteFile("new.prg", 10);
        fixture.SelectRows({0, 1, 2});

        // Cancel changes nothing and keeps the very rows on screen.
        QTreeWidgetItem* before = fixture.View().topLevelItem(0);
        ModalScript cancel;
        cancel.Then(ChooseFile({}));
        fixture.Action(ID_FIRMWARE_SELECT).trigger();
        QVERIFY(cancel.Done());
        QCOMPARE(fixture.View().topLevelItem(0), before);
        QCOMPARE(Cell(fixture.View(), 0, 3), QStringLiteral("None Selected"));
        QVERIFY(!fixture.Printers().IsModified());

        ModalScript choose;
        choose.Then(ChooseFile(firmware));
        fixture.Action(ID_FIRMWARE_SELECT).trigger();
        QVERIFY(choose.Done());
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(Cell(fixture.View(), row, 3), QString::fromStdString(firmware.string()));
            QCOMPARE(fixture.View().RowPrinter(row)->DownloadFile(), firmware.string());
        }
        QCOMPARE(fixture.View().SelectedCount(), 3);
        QVERIFY(fixture.Printers().IsModified());
    }

    void importRefusesAListWithBadLinesWholeAndTakesAGoodOne()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        const std::filesystem::path bad = fixture.Folder().Path() / "bad.csv";
        std::ofstream(bad) << "name,kind,port\nNew,network,10.0.0.7\nTypo,netwrk,10.0.0.8\nOdd,network,10.0.0.300\n";
        ModalScript refuse;
        refuse.Then(ChooseFile(bad));
        fixture.Action(ID_FILE_IMPORT_PRINTERS).trigger();
        QVERIFY(refuse.Done());
        const QStringList shown = ShownTexts(fixture.Ui());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("\n  line 3, column kind: 'netwrk'") &&
                     shown[0].contains("\n  line 4, column port: '10.0.0.300'"),
                 qPrintable(shown[0]));
        QCOMPARE(fixture.View().RowCount(), 3);
        QVERIFY(!fixture.Printers().IsModified());

        const std::filesystem::path good = fixture.Folder().Path() / "lists" / "good.csv";
        std::filesystem::create_directories(good.parent_path());
        std::ofstream(good) << "kind;port;tcp_port;name;download_file\nnetwork;10.0.0.7;9101;New;fw.prg\n";
        ModalScript take;
        take.Then(ChooseFile(good));
        fixture.Action(ID_FILE_IMPORT_PRINTERS).trigger();
        QVERIFY(take.Done());
        QCOMPARE(ShownTexts(fixture.Ui()).size(), 1);
        QCOMPARE(fixture.View().RowCount(), 4);
        QCOMPARE(Cell(fixture.View(), 0, 0), QStringLiteral("New"));
        QCOMPARE(Cell(fixture.View(), 0, 2), QStringLiteral("10.0.0.7:9101"));
        QCOMPARE(Cell(fixture.View(), 1, 2), QStringLiteral("10.0.0.1"));
        QCOMPARE(Cell(fixture.View(), 0, 3), QString::fromStdString((good.parent_path() / "fw.prg").string()));
        QVERIFY(fixture.Printers().IsModified());
    }

    void exportWritesTheListAsImportReadsIt()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        const std::filesystem::path out = fixture.Folder().Path() / "fleet.csv";
        ModalScript save;
        save.Then(ChooseFile(out));
        fixture.Action(ID_FILE_EXPORT_PRINTERS).trigger();
        QVERIFY(save.Done());
        const std::string csv = ReadBytes(out);
        QCOMPARE(csv, ExportFleetList(fixture.Printers()));
        QVERIFY2(csv.find("\r\nPrinter#2,network,10.0.0.2,9100,Model B,/firmware/two.prg,no,") != std::string::npos,
                 csv.c_str());
        QVERIFY(!fixture.Printers().IsModified());
    }

    void deleteStopsAtTheFirstFailingPrinter()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        // The first row's printer leaves the list behind the view's back, so deleting it fails.
        fixture.Printers().DeletePrinter(fixture.View().RowPrinter(0));
        fixture.SelectRows({0, 1});
        fixture.Action(ID_PRINTER_DELETE).trigger();

        QCOMPARE(ShownTexts(fixture.Ui()), QStringList{"There is an error in this printer's configuration."});
        QCOMPARE(fixture.View().RowCount(), 2);
        QCOMPARE(Cell(fixture.View(), 0, 0), QStringLiteral("Printer#2"));
        QCOMPARE(Cell(fixture.View(), 1, 0), QStringLiteral("Printer#3"));
        QCOMPARE(fixture.Printers().GetPrinterCount(), 2);
    }

    void deleteRemovesEverySelectedPrinterWithoutAsking()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        fixture.SelectRows({0, 2});
        fixture.Action(ID_PRINTER_DELETE).trigger();
        QVERIFY(fixture.Ui().Texts().empty());
        QCOMPARE(fixture.View().RowCount(), 1);
        QCOMPARE(Cell(fixture.View(), 0, 0), QStringLiteral("Printer#2"));
    }

    void savePromptAnswers()
    {
        DownloaderFixture fixture;
        const auto document = fixture.WriteDocument("three.qps", kThreePrinters);
        QVERIFY(fixture.Start(document));
        const QString question = QStringLiteral("Save changes to %1?").arg(QString::fromStdString(document.string()));

        // Cancel twice: the open is abandoned and the list stays as it was.
        fixture.SelectRows({1});
        fixture.Action(ID_FIRMWARE_CLEAR).trigger();
        const auto other = fixture.WriteDocument("other.qps", {{"Other", "10.0.1.1", 9100, ""}});
        fixture.Ui().QueueAnswer(IDCANCEL);
        fixture.Ui().QueueAnswer(IDCANCEL);
        QVERIFY(!fixture.App().OpenDocumentFile(QString::fromStdString(other.string())));
        QCOMPARE(ShownTexts(fixture.Ui()), (QStringList{question, question}));
        QCOMPARE(fixture.View().RowCount(), 3);
        QCOMPARE(Cell(fixture.View(), 1, 3), QStringLiteral("None Selected"));

        // Yes saves into the open file before New empties the list.
        fixture.Ui().QueueAnswer(IDYES);
        fixture.Action(ID_FILE_NEW).trigger();
        QCOMPARE(fixture.View().RowCount(), 0);
        QVERIFY(ReadBytes(document).find("two.prg") == std::string::npos);
        QVERIFY(ReadBytes(document).find("Printer#3") != std::string::npos);

        // No discards the changes and loads the file.
        QVERIFY(fixture.App().OpenDocumentFile(QString::fromStdString(document.string())));
        fixture.SelectRows({0});
        fixture.Action(ID_PRINTER_DELETE).trigger();
        fixture.Ui().QueueAnswer(IDNO);
        QVERIFY(fixture.App().OpenDocumentFile(QString::fromStdString(other.string())));
        QCOMPARE(fixture.View().RowCount(), 1);
        QCOMPARE(Cell(fixture.View(), 0, 0), QStringLiteral("Other"));
        QVERIFY(ReadBytes(document).find("Printer#1") != std::string::npos);
    }

    void saveClearsTheChangeSoClosingAsksNothing()
    {
        DownloaderFixture fixture;
        const auto document = fixture.WriteDocument("three.qps", kThreePrinters);
        QVERIFY(fixture.Start(document));
        fixture.SelectRows({2});
        fixture.Action(ID_PRINTER_DELETE).trigger();
        QVERIFY(fixture.Enabled(ID_FILE_SAVE));
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!fixture.Printers().IsModified());
        QVERIFY(ReadBytes(document).find("Printer#3") == std::string::npos);
        fixture.Frame().close();
        QVERIFY(fixture.Ui().Texts().empty());
    }

    void saveRefusesToOverwriteAnotherProgramsChangeAndOffersSaveAs()
    {
        DownloaderFixture fixture;
        const auto document = fixture.WriteDocument("three.qps", kThreePrinters);
        QVERIFY(fixture.Start(document));
        fixture.SelectRows({2});
        fixture.Action(ID_PRINTER_DELETE).trigger();
        // Another program saves the document meanwhile.
        fixture.WriteDocument("three.qps", {{"Elsewhere", "10.0.2.1", 9100, ""}});
        const std::string theirs = ReadBytes(document);

        fixture.Ui().QueueAnswer(IDNO);
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(document), theirs);
        QVERIFY(fixture.Printers().IsModified());
        QCOMPARE(ShownTexts(fixture.Ui()).size(), 1);
        QVERIFY(ShownTexts(fixture.Ui()).front().contains(QStringLiteral("changed by another program")));

        // Yes: the list goes to a file of the operator's choosing; theirs stays.
        const auto copy = fixture.Folder().Path() / "mine.qps";
        fixture.Ui().QueueAnswer(IDYES);
        ModalScript script;
        script.Then(ChooseFile(copy));
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(script.Done());
        QCOMPARE(ReadBytes(document), theirs);
        QVERIFY(ReadBytes(copy).find("Printer#2") != std::string::npos);
        QVERIFY(ReadBytes(copy).find("Printer#3") == std::string::npos);
        QVERIFY(!fixture.Printers().IsModified());
    }

    void repeatedNamesAreToldAtOpenAndDroppedOnlyWhenTheOperatorAgrees()
    {
        DownloaderFixture fixture;
        const auto document = fixture.WriteDocument(
            "twins.qps",
            {{"Twin", "10.0.0.1", 9100, ""}, {"Twin", "10.0.0.2", 9100, ""}, {"Other", "10.0.0.3", 9100, ""}});
        const std::string before = ReadBytes(document);
        QVERIFY(fixture.Start(document));
        QCOMPARE(ShownTexts(fixture.Ui()).size(), 1);
        QVERIFY(ShownTexts(fixture.Ui()).front().contains(
            QStringLiteral("\"Twin\": record 1 (port 10.0.0.1) is dropped")));
        QCOMPARE(fixture.View().RowCount(), 2);

        fixture.Ui().QueueAnswer(IDNO);
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadBytes(document), before);
        QCOMPARE(ShownTexts(fixture.Ui()).size(), 2);
        QVERIFY(ShownTexts(fixture.Ui()).back().contains(QStringLiteral("repeats printer names")));

        // Asked once: agreed, it saves now and later without another question.
        fixture.Ui().QueueAnswer(IDYES);
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(ReadBytes(document).find("10.0.0.1") == std::string::npos);
        QTest::keyClick(&fixture.Frame(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ShownTexts(fixture.Ui()).size(), 3);
    }

    void unreadableDocumentOnTheCommandLineEndsTheProgram()
    {
        DownloaderFixture fixture;
        const auto damaged = fixture.Folder().Path() / "damaged.qps";
        std::ofstream(damaged, std::ios::binary) << std::string("\x05\x00\x00\x00\x03" "abc", 8);
        QVERIFY(!fixture.Start(damaged));
        QCOMPARE(fixture.Ui().Texts().size(), std::size_t{1});
        QVERIFY(!fixture.Start(fixture.Folder().Path() / "missing.qps"));
        const auto folder = fixture.Folder().Path() / "no-such-folder";
        QVERIFY(!fixture.Start(folder / "printers.qps"));
        QVERIFY2(ShownTexts(fixture.Ui()).constLast().endsWith(
                     QStringLiteral(": its folder %1 does not exist.").arg(QString::fromStdString(folder.string()))),
                 qPrintable(ShownTexts(fixture.Ui()).constLast()));
    }

    void anotherHolderOfTheLockStopsStartUp()
    {
        DownloaderFixture fixture;
        CInstanceLock other("QuarnPrinters");
        QVERIFY(!fixture.Start());
        QCOMPARE(ShownTexts(fixture.Ui()), QStringList{DownloaderStrings::kAlreadyRunning});
    }

    void withADocumentTheLockMessageShowsTwiceAndTheFileLoads()
    {
        DownloaderFixture fixture;
        const auto document = fixture.WriteDocument("three.qps", kThreePrinters);
        CInstanceLock other("QuarnPrinters");
        QVERIFY(fixture.Start(document));
        QCOMPARE(ShownTexts(fixture.Ui()),
                 (QStringList{DownloaderStrings::kAlreadyRunning, DownloaderStrings::kAlreadyRunning}));
        QCOMPARE(fixture.View().RowCount(), 3);
    }

    void refusedNewLeavesNoRowOfADeletedPrinter()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        CInstanceLock other("QuarnPrinters");
        fixture.Action(ID_FILE_NEW).trigger();
        QCOMPARE(ShownTexts(fixture.Ui()), QStringList{DownloaderStrings::kAlreadyRunning});
        QCOMPARE(fixture.View().RowCount(), 0);
        QVERIFY(!fixture.Enabled(ID_EDIT_SELECT_ALL));
    }

    void contextMenusOnARowAndOnTheBackground()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        CFirmwareDownloaderView& view = fixture.View();
        const QPoint onRow = view.visualItemRect(view.topLevelItem(1)).center();
        std::unique_ptr<QMenu> item = view.CreateContextMenu(onRow);
        QStringList texts;
        for (QAction* action : item->actions()) texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
        QCOMPARE(texts, (QStringList{"&Select Firmware File...", "&Clear Firmware File", "|", "&Add Printer...",
                                     "&Modify Printer...", "&Delete Printer(s)", "|", "&Download To Selected",
                                     "&Cancel Download", "&Retry Failed", "Print &KPL Test Page",
                                     "Print &QPL Test Page"}));
        QCOMPARE(item->defaultAction()->text(), QStringLiteral("&Modify Printer..."));
        // Nothing was selected: the hit row became current without being selected.
        QCOMPARE(view.currentItem(), view.topLevelItem(1));
        QCOMPARE(view.SelectedCount(), 0);
        QVERIFY(!item->actions()[0]->isEnabled());

        const QPoint below(5, view.viewport()->height() - 2);
        std::unique_ptr<QMenu> background = view.CreateContextMenu(below);
        texts.clear();
        for (QAction* action : background->actions())
            texts << (action->isSeparator() ? QStringLiteral("|") : action->text());
        QCOMPARE(texts, (QStringList{"Select All", "|", "Add Printer...", "Auto-Detect Printers", "|", "Download All",
                                     "Cancel Download", "Retry Failed"}));
        background->actions()[0]->trigger();
        QCOMPARE(view.SelectedCount(), 3);
    }

    void barsFollowTheirRowsWhenTheListScrolls()
    {
        DownloaderFixture fixture;
        std::vector<NetworkPrinterRow> many;
        for (int i = 1; i <= 200; ++i) many.push_back({"Printer#" + std::to_string(i), "10.0.1." + std::to_string(i), 9100, ""});
        QVERIFY(fixture.Start(fixture.WriteDocument("many.qps", many)));
        CFirmwareDownloaderView& view = fixture.View();
        CQuarnPrinterData* printer = view.RowPrinter(5);
        view.BeginProgress(printer, 1000);
        CTextProgressCtrl* bar = view.ProgressBar(printer);
        QVERIFY(bar);
        auto cellRect = [&] {
            QRect row = view.visualItemRect(view.topLevelItem(5));
            return QRect(view.header()->sectionViewportPosition(4), row.top(), view.header()->sectionSize(4),
                         row.height());
        };
        QTRY_COMPARE(bar->geometry(), cellRect());
        view.verticalScrollBar()->setValue(3);
        QTRY_COMPARE(bar->geometry(), cellRect());
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        QTRY_VERIFY(!bar->isVisible() || !view.viewport()->rect().intersects(bar->geometry()));

        // Resizing widens the status column to the rest of the width and the bar with it.
        view.verticalScrollBar()->setValue(0);
        fixture.Frame().showNormal();
        fixture.Frame().resize(fixture.Frame().width() + 120, fixture.Frame().height());
        QTRY_COMPARE(bar->geometry(), cellRect());
        QCOMPARE(view.header()->sectionViewportPosition(4) + view.header()->sectionSize(4),
                 view.viewport()->width());
    }

    void messagesFromBeforeARebuildOnlyKeepTheCount()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        CFirmwareDownloaderView& view = fixture.View();
        CQuarnPrinterData* printer = view.RowPrinter(0);
        // An end with no download running leaves the count at 0.
        view.PostMessage(WM_DOWNLOAD_END, reinterpret_cast<WPARAM>(printer), 1);
        QTRY_COMPARE(view.ActiveDownloads(), 0);

        view.PostMessage(WM_DOWNLOAD_BEGIN, reinterpret_cast<WPARAM>(printer), 1000);
        fixture.Document().UpdateAllViews();
        QTRY_COMPARE(view.ActiveDownloads(), 1);
        QVERIFY(!view.ProgressBar(view.RowPrinter(0)));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_CANCEL));
        QVERIFY(!fixture.Enabled(ID_PRINTER_ADD));
        view.PostMessage(WM_DOWNLOAD_END, reinterpret_cast<WPARAM>(printer), 0);
        // The printer's thread is done with it only when its outcome comes.
        view.PostMessage(WM_DOWNLOAD_OUTCOME, reinterpret_cast<WPARAM>(printer), 0);
        QTest::qWait(50);
        QCOMPARE(view.ActiveDownloads(), 1);
        auto* outcome = new DownloadOutcome;
        outcome->printer = "Printer#1";
        view.PostMessage(WM_DOWNLOAD_OUTCOME, reinterpret_cast<WPARAM>(printer), reinterpret_cast<LPARAM>(outcome));
        QTRY_COMPARE(view.ActiveDownloads(), 0);
        QVERIFY(fixture.Enabled(ID_PRINTER_ADD));
    }

    void anEmptyFileEndsWithAWordThatNothingWasSent()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start(fixture.WriteDocument("three.qps", kThreePrinters)));
        CFirmwareDownloaderView& view = fixture.View();
        CQuarnPrinterData* empty = view.RowPrinter(0);
        CQuarnPrinterData* full = view.RowPrinter(1);
        view.PostMessage(WM_DOWNLOAD_BEGIN, reinterpret_cast<WPARAM>(empty), 0);
        view.PostMessage(WM_DOWNLOAD_BEGIN, reinterpret_cast<WPARAM>(full), 1000);
        view.PostMessage(WM_DOWNLOAD_END, reinterpret_cast<WPARAM>(empty), kDownloadDone);
        view.PostMessage(WM_DOWNLOAD_END, reinterpret_cast<WPARAM>(full), kDownloadDone);
        QTRY_COMPARE(view.topLevelItem(0)->text(4), QStringLiteral("The file was empty: nothing was sent."));
        QTRY_VERIFY(!view.ProgressBar(full));
        QCOMPARE(view.topLevelItem(1)->text(4), QString());
    }

    void downloadShowsABarPerPrinterAndEndsAtZero()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "Slow1@127.0.0.2:0,rate=150000,rcvbuf=8192", "--network",
                        "Slow2@127.0.0.3:0,rate=150000,rcvbuf=8192"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 300 * 1024);
        const auto document = fixture.WriteDocument(
            "sim.qps", {{"Slow1", "127.0.0.2", sim.PortOf("Slow1"), firmware.string()},
                        {"Slow2", "127.0.0.3", sim.PortOf("Slow2"), firmware.string()}});
        QVERIFY(fixture.Start(document));
        fixture.Printers().MaxSimultaneousDownloads(2);
        CFirmwareDownloaderView& view = fixture.View();
        CQuarnPrinterData* first = view.RowPrinter(0);
        CQuarnPrinterData* second = view.RowPrinter(1);

        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(first) && view.ProgressBar(second), 10000);
        QCOMPARE(view.ActiveDownloads(), 2);
        QCOMPARE(view.itemWidget(view.topLevelItem(0), 4), view.ProgressBar(first));
        QCOMPARE(view.itemWidget(view.topLevelItem(1), 4), view.ProgressBar(second));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_CANCEL));
        for (int id : {ID_PRINTER_ADD, ID_PRINTER_DELETE, ID_DOWNLOAD_ALL, ID_FIRMWARE_SELECT, ID_TOOLS_OPTIONS,
                       ID_PRINTER_AUTODETECT})
            QVERIFY(!fixture.Enabled(id));
        QVERIFY(fixture.Enabled(ID_FILE_OPEN));

        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(first) && view.ProgressBar(first)->Pos() > 0, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY(!view.ProgressBar(first) && !view.ProgressBar(second));
        QVERIFY(Cell(view, 0, 4).startsWith(QStringLiteral("Done")));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_ALL));
        for (const SimProcess::Connection& connection : sim.WaitForRecords(2)) QCOMPARE(connection.bytes, 300u * 1024u);
    }

    void aRebuildDuringADownloadDropsTheBarsButNotTheCount()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "Slow@127.0.0.1:0,rate=100000,rcvbuf=8192"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 250 * 1024);
        QVERIFY(fixture.Start(
            fixture.WriteDocument("sim.qps", {{"Slow", "127.0.0.1", sim.PortOf("Slow"), firmware.string()}})));
        CFirmwareDownloaderView& view = fixture.View();
        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(view.RowPrinter(0)), 10000);

        // A double-click looks at the printer also during a download; cancelling the dialog
        // still rebuilds the list.
        fixture.Ui().QueueConfigureDialog([](CQuarnPrinter&, unsigned) { return false; });
        fixture.SelectRows({0});
        const QPoint row = view.visualItemRect(view.topLevelItem(0)).center();
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row);
        QCOMPARE(fixture.Ui().ConfigureDialogsShown(), 1);
        QVERIFY(!view.ProgressBar(view.RowPrinter(0)));
        QCOMPARE(view.ActiveDownloads(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QVERIFY(!view.ProgressBar(view.RowPrinter(0)));
        QCOMPARE(sim.WaitForRecords(1).front().bytes, 250u * 1024u);
    }

    void queuedDownloadsCountAsRunningUntilCancelDropsThem()
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
        // Both count from the request on, before either has begun: a second Download All
        // would send every file twice.
        QCOMPARE(view.ActiveDownloads(), 2);
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_CANCEL));
        QVERIFY(!fixture.Enabled(ID_DOWNLOAD_ALL));
        QCOMPARE(Cell(view, 1, 4), QStringLiteral("Waiting"));
        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(view.RowPrinter(0)), 10000);
        QCOMPARE(view.ActiveDownloads(), 2);
        QCOMPARE(Cell(view, 1, 4), QStringLiteral("Waiting"));

        fixture.Action(ID_DOWNLOAD_CANCEL).trigger();
        QTRY_COMPARE_WITH_TIMEOUT(view.ActiveDownloads(), 0, 30000);
        QCOMPARE(Cell(view, 1, 4), QStringLiteral("Cancelled at 0 % (0 bytes of 300.0 KiB)"));
        QVERIFY(fixture.Enabled(ID_DOWNLOAD_ALL));
        const std::vector<SimProcess::Connection> connections = sim.WaitForRecords(1);
        QCOMPARE(connections.size(), std::size_t{1});
        QCOMPARE(connections.front().printer, std::string("First"));
    }

    void closingNewOrOpenWhileDownloadsRunAsksFirst()
    {
        DownloaderFixture fixture;
        SimProcess sim({"--network", "Slow@127.0.0.2:0,rate=60000,rcvbuf=8192"});
        sim.Start();
        const auto firmware = fixture.WriteFile("firmware.prg", 600 * 1024);
        const auto document =
            fixture.WriteDocument("sim.qps", {{"Slow", "127.0.0.2", sim.PortOf("Slow"), firmware.string()}});
        QVERIFY(fixture.Start(document));
        CFirmwareDownloaderView& view = fixture.View();
        fixture.Action(ID_DOWNLOAD_ALL).trigger();
        QTRY_VERIFY_WITH_TIMEOUT(view.ProgressBar(view.RowPrinter(0)), 10000);

        const QString question = QStringLiteral(
            "1 download is still running or waiting. Stopping now leaves the running printers with part of their "
            "file. Stop them?");
        // Cancel keeps everything running, whichever way the list was to go.
        fixture.Ui().QueueAnswer(IDCANCEL);
        fixture.Frame().close();
        fixture.Ui().QueueAnswer(IDCANCEL);
        fixture.Action(ID_FILE_NEW).trigger();
        ModalScript chooseDocument;
        chooseDocument.Then(ChooseFile(document));
        fixture.Ui().QueueAnswer(IDCANCEL);
        fixture.Action(ID_FILE_OPEN).trigger();
        QVERIFY(chooseDocument.Done());
        QCOMPARE(ShownTexts(fixture.Ui()), (QStringList{question, question, question}));
        QVERIFY(fixture.Frame().isVisible());
        QCOMPARE(view.ActiveDownloads(), 1);
        QVERIFY(view.ProgressBar(view.RowPrinter(0)));

        // OK stops it: the printer is left with part of its file.
        fixture.Ui().QueueAnswer(IDOK);
        fixture.Action(ID_FILE_NEW).trigger();
        QCOMPARE(view.RowCount(), 0);
        QCOMPARE(view.ActiveDownloads(), 0);
        QVERIFY(fixture.Enabled(ID_PRINTER_ADD));
        QVERIFY(sim.WaitForRecords(1).front().bytes < 600u * 1024u);
    }
};

QTEST_MAIN(DownloaderWindowTest)
#include "downloader_window.moc"
