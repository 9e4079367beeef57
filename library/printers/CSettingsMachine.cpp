#include "CSettingsMachine.h"

#include <algorithm>

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {

const char* const kMaxDownloadsKey = "MaxDownloads";
constexpr int kDefaultMaxDownloads = 1;
constexpr int kLeastMaxDownloads = 1;
constexpr int kMostMaxDownloads = 99;

// The same file QSettings would pick for the organisation and application in INI format, so
// the downloader's own per-user settings and the ceiling share one file.
QString SettingsFileIn(const QString& configDir)
{
    return configDir + QStringLiteral("/Quarn Technologies Corporation/QuarnDownloader.ini");
}

// The user's configuration folder first, then the machine-wide ones. The paths are asked
// for afresh on every read so that a changed environment is seen at once.
QStringList SearchedFiles()
{
    QStringList files;
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        files << SettingsFileIn(dir);
    return files;
}

}  // namespace

int CSettingsMachine::GetMaxDownloads()
{
    for (const QString& file : SearchedFiles()) {
        QSettings settings(file, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError || !settings.contains(kMaxDownloadsKey)) continue;
        bool ok = false;
        const int value = settings.value(kMaxDownloadsKey).toInt(&ok);
        // A file edited by hand may say 0, which would hold every download back without a
        // word, or a number no dialog offers.
        return ok ? std::clamp(value, kLeastMaxDownloads, kMostMaxDownloads) : kDefaultMaxDownloads;
    }
    return kDefaultMaxDownloads;
}

void CSettingsMachine::SetMaxDownloads(int value)
{
    QSettings settings(SettingsFileIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
                       QSettings::IniFormat);
    settings.setValue(kMaxDownloadsKey, value);
    settings.sync();
}
