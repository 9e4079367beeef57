// The Options dialog's rules, the per-user window placement across runs, and the version
// the About box reads back from the program file.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QScreen>
#include <QTest>
#include <fstream>

#include "CAboutDlg.h"
#include "CDownloadsSpinBox.h"
#include "CFirmwareDownloaderDoc.h"
#include "CMainFrame.h"
#include "CModuleVersion.h"
#include "COptionsDlg.h"
#include "CSettingsApplication.h"
#include "CommandTable.h"
#include "ModalScript.h"
#include "downloader_fixture.h"

namespace {

QByteArray StoredValue(const char* key)
{
    return QSettings(UserSettingsFile(), QSettings::IniFormat).value(key).toByteArray();
}

void Store(const char* key, const QByteArray& value)
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    settings.setValue(key, value);
}

QByteArray Placement(std::uint32_t showCmd, int left, int top, int right, int bottom, int length = 44)
{
    WINDOWPLACEMENT placement;
    placement.length = 44;
    placement.showCmd = showCmd;
    placement.rcNormalLeft = left;
    placement.rcNormalTop = top;
    placement.rcNormalRight = right;
    placement.rcNormalBottom = bottom;
    return QByteArray(reinterpret_cast<const char*>(&placement), sizeof placement).left(length);
}

// A file that holds a version record of the given file version.
std::filesystem::path VersionFile(const TemporaryFolder& folder, std::uint32_t major, std::uint32_t minor)
{
    ModuleVersionRecord record{};
    std::copy(kVersionMarker, kVersionMarker + kVersionMarkerSize, record.marker);
    record.info.dwSignature = kVersionSignature;
    record.info.dwFileVersionMS = (major << 16) | minor;
    const auto path = folder.Path() / ("v" + std::to_string(major) + "." + std::to_string(minor));
    std::ofstream out(path, std::ios::binary);
    out << std::string(100, 'x');
    out.write(reinterpret_cast<const char*>(&record), sizeof record);
    return path;
}

}  // namespace

class DownloaderSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void spinStepsStayWithinOneToNinetyNine()
    {
        COptionsDlg dialog(99);
        CDownloadsSpinBox* spin = dialog.SpinBox();
        QCOMPARE(spin->value(), 99);
        spin->stepUp();
        QCOMPARE(spin->value(), 99);
        spin->setValue(1);
        spin->stepDown();
        QCOMPARE(spin->value(), 1);
        spin->setValue(5);
        spin->stepUp();
        QCOMPARE(spin->value(), 6);
    }

    void outOfRangeValuesAreRefusedOnceAndTheDialogStaysOpen()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        fixture.Printers().MaxSimultaneousDownloads(4);
        int refusals = 0;
        ModalScript script;
        script.Then([&](QWidget* modal) {
            auto* dialog = qobject_cast<COptionsDlg*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->SpinBox()->value(), 4);
            for (const char* typed : {"0", "100"}) {
                dialog->SpinBox()->findChild<QLineEdit*>()->setText(QString::fromLatin1(typed));
                dialog->OkButton()->click();
                QVERIFY(dialog->isVisible());
                ++refusals;
            }
            dialog->SpinBox()->findChild<QLineEdit*>()->setText(QStringLiteral("12"));
            dialog->OkButton()->click();
        });
        fixture.Action(ID_TOOLS_OPTIONS).trigger();
        QVERIFY(script.Done());
        QCOMPARE(refusals, 2);
        QCOMPARE(ShownTexts(fixture.Ui()), (QStringList{kMaxDownloadsRangeMessage, kMaxDownloadsRangeMessage}));
        QCOMPARE(fixture.Printers().MaxSimultaneousDownloads(), 12);
    }

    void cancelLeavesTheCeiling()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        fixture.Printers().MaxSimultaneousDownloads(3);
        ModalScript script;
        script.Then([](QWidget* modal) {
            auto* dialog = qobject_cast<COptionsDlg*>(modal);
            QVERIFY(dialog);
            dialog->SpinBox()->setValue(50);
            dialog->CancelButton()->click();
        });
        fixture.Action(ID_TOOLS_OPTIONS).trigger();
        QVERIFY(script.Done());
        QCOMPARE(fixture.Printers().MaxSimultaneousDownloads(), 3);
    }

    void optionsKeepTheStallLimitAndTheErrorsChoice()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        ModalScript script;
        script.Then([](QWidget* modal) {
            auto* dialog = qobject_cast<COptionsDlg*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->StallTimeoutBox()->value(), 120);
            QVERIFY(dialog->ShowDownloadErrorsBox()->isChecked());
            // The field keeps within what the library accepts.
            dialog->StallTimeoutBox()->setValue(5);
            QCOMPARE(dialog->StallTimeoutBox()->value(), 10);
            dialog->StallTimeoutBox()->setValue(300);
            dialog->ShowDownloadErrorsBox()->setChecked(false);
            dialog->OkButton()->click();
        });
        script.Then([](QWidget* modal) {
            auto* dialog = qobject_cast<COptionsDlg*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->StallTimeoutBox()->value(), 300);
            QVERIFY(!dialog->ShowDownloadErrorsBox()->isChecked());
            dialog->StallTimeoutBox()->setValue(40);
            dialog->ShowDownloadErrorsBox()->setChecked(true);
            dialog->CancelButton()->click();
        });
        fixture.Action(ID_TOOLS_OPTIONS).trigger();
        fixture.Action(ID_TOOLS_OPTIONS).trigger();
        QVERIFY(script.Done());
        QCOMPARE(fixture.Printers().StallTimeout(), 300);
        QVERIFY(!ShowDownloadErrorsAsTheyHappen());
    }

    void firstRunOpensMaximisedAndStoresThePlacementAtTheEnd()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        QTRY_VERIFY(fixture.Frame().isMaximized());
        fixture.Stop();
        QVERIFY(StoredValue("Settings/Window Position").isEmpty());  // written only at exit
        CSettingsApplication::Release();
        QCOMPARE(StoredValue("Settings/View Settings"), QByteArray(16, '\0'));
        const QByteArray stored = StoredValue("Settings/Window Position");
        QCOMPARE(stored.size(), 44);
        WINDOWPLACEMENT placement;
        std::memcpy(&placement, stored.constData(), sizeof placement);
        QCOMPARE(placement.length, 44u);
        QCOMPARE(placement.showCmd, SW_SHOWMAXIMIZED);
    }

    void firstRunRestoresToAComfortableCentredSize()
    {
        DownloaderFixture fixture;
        QVERIFY(fixture.Start());
        QTRY_VERIFY(fixture.Frame().isMaximized());
        fixture.Frame().showNormal();
        const QRect available = fixture.Frame().screen()->availableGeometry();
        QTRY_COMPARE(fixture.Frame().geometry().size(), QSize(960, 600).boundedTo(available.size()));
        // Centred give or take the window frame.
        QVERIFY((fixture.Frame().geometry().center() - available.center()).manhattanLength() <= 40);
    }

    void aPlacementComesBackAndMinimisedShowsNormal()
    {
        DownloaderFixture fixture;
        Store("Settings/Window Position", Placement(SW_SHOWMINIMIZED, 40, 30, 440, 330));
        Store("Settings/View Settings", QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"));
        QVERIFY(fixture.Start());
        QTRY_COMPARE(fixture.Frame().geometry().size(), QSize(400, 300));
        QVERIFY(!fixture.Frame().isMinimized());
        QVERIFY(!fixture.Frame().isMaximized());
        QCOMPARE(fixture.Frame().geometry().topLeft(), QPoint(40, 30));
        fixture.Frame().resize(420, 310);
        QTRY_COMPARE(fixture.Frame().geometry().size(), QSize(420, 310));
        fixture.Stop();
        CSettingsApplication::Release();
        QCOMPARE(StoredValue("Settings/View Settings"),
                 QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"));
        WINDOWPLACEMENT placement;
        std::memcpy(&placement, StoredValue("Settings/Window Position").constData(), sizeof placement);
        QCOMPARE(placement.showCmd, SW_SHOWNORMAL);
        QCOMPARE(placement.rcNormalRight - placement.rcNormalLeft, 420);
        QCOMPARE(placement.rcNormalBottom - placement.rcNormalTop, 310);
    }

    void aPlacementOffEveryScreenOrTooShortOpensMaximised()
    {
        {
            DownloaderFixture fixture;
            Store("Settings/Window Position", Placement(SW_SHOWNORMAL, 20000, 20000, 20400, 20300));
            QVERIFY(fixture.Start());
            QTRY_VERIFY(fixture.Frame().isMaximized());
        }
        {
            DownloaderFixture fixture;
            Store("Settings/Window Position", Placement(SW_SHOWNORMAL, 40, 30, 440, 330, 40));
            QVERIFY(fixture.Start());
            QTRY_VERIFY(fixture.Frame().isMaximized());
            fixture.Stop();
            CSettingsApplication::Release();
            QCOMPARE(StoredValue("Settings/Window Position").size(), 44);
        }
    }

    void aHiddenWindowLeavesTheStoredPlacement()
    {
        DownloaderFixture fixture;
        const QByteArray stored = Placement(SW_SHOWNORMAL, 40, 30, 440, 330);
        Store("Settings/Window Position", stored);
        QVERIFY(fixture.Start());
        fixture.Frame().hide();
        fixture.Stop();
        CSettingsApplication::Release();
        QCOMPARE(StoredValue("Settings/Window Position"), stored);
    }

    void aboutShowsTheProgramsOwnVersion()
    {
        CAboutDlg about;
        QCOMPARE(about.VersionText(), QStringLiteral("2.07"));
        QCOMPARE(GetVersionText(QStringLiteral(QUARN_DOWNLOADER_PATH)), QStringLiteral("2.07"));
    }

    void versionTextPadsTheMinorNumber()
    {
        TemporaryFolder folder;
        QCOMPARE(GetVersionText(QString::fromStdString(VersionFile(folder, 10, 12).string())), QStringLiteral("10.12"));
        QCOMPARE(GetVersionText(QString::fromStdString(VersionFile(folder, 3, 105).string())), QStringLiteral("3.105"));

        const auto plain = folder.Touch("plain");
        std::ofstream(plain) << "QuarnVersionInfo but no record";
        QCOMPARE(GetVersionText(QString::fromStdString(plain.string())), QString());

        CModuleVersion missing;
        QVERIFY(!missing.GetFileVersionInfo(QString::fromStdString((folder.Path() / "missing").string())));
        QCOMPARE(missing.dwSignature, 0u);
        QCOMPARE(missing.dwFileVersionMS, 0u);
    }
};

QTEST_MAIN(DownloaderSettingsTest)
#include "downloader_settings.moc"
