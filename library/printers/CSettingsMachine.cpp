#include "CSettingsMachine.h"

#include <algorithm>

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {

const char* const kMaxDownloadsKey = "MaxDownloads";
const char* const kStallTimeoutKey = "StallTimeout";
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

// The value of key in the first file that holds a readable one, taken into least..most.
int ReadClamped(const char* key, int least, int most, int fallback)
{
    for (const QString& file : SearchedFiles()) {
        QSettings settings(file, QSettings::IniFormat);
        if (settings.status() != QSettings::NoError || !settings.contains(key)) continue;
        bool ok = false;
        const int value = settings.value(key).toInt(&ok);
        return ok ? std::clamp(value, least, most) : fallback;
    }
    return fallback;
}

void Store(const char* key, int value)
{
    QSettings settings(SettingsFileIn(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
                       QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
}

}  // namespace

int CSettingsMachine::GetMaxDownloads()
{
    // A file edited by hand may say 0, which would hold every download back without a word,
    // or a number no dialog offers.
    return ReadClamped(kMaxDownloadsKey, kLeastMaxDownloads, kMostMaxDownloads, kDefaultMaxDownloads);
}

int CSettingsMachine::GetStallTimeout()
{
    return ReadClamped(kStallTimeoutKey, kLeastStallTimeout, kMostStallTimeout, kDefaultStallTimeout);
}

void CSettingsMachine::SetStallTimeout(int seconds)
{
    Store(kStallTimeoutKey, seconds);
}

void CSettingsMachine::SetMaxDownloads(int value)
{
    Store(kMaxDownloadsKey, value);
}
