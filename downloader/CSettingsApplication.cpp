#include "CSettingsApplication.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>
#include <QtEndian>
#include <cstring>
#include <memory>

#include "DownloaderStrings.h"

namespace {

const char* const kViewSettings = "Settings/View Settings";
const char* const kWindowPosition = "Settings/Window Position";
const char* const kShowDownloadErrors = "Settings/ShowDownloadErrors";

std::unique_ptr<CSettingsApplication>& TheInstance()
{
    static std::unique_ptr<CSettingsApplication> instance;
    return instance;
}

// The stored values are little-endian words whatever the machine.
template <std::size_t N>
void ReadWords(const QByteArray& bytes, std::uint32_t (&words)[N])
{
    for (std::size_t i = 0; i < N; ++i) words[i] = qFromLittleEndian<std::uint32_t>(bytes.constData() + 4 * i);
}

template <std::size_t N>
QByteArray WriteWords(const std::uint32_t (&words)[N])
{
    QByteArray bytes(static_cast<int>(4 * N), '\0');
    for (std::size_t i = 0; i < N; ++i) qToLittleEndian<std::uint32_t>(words[i], bytes.data() + 4 * i);
    return bytes;
}

}  // namespace

QString UserSettingsFile()
{
    // Looked up afresh each time, so a changed XDG_CONFIG_HOME is seen at once.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           QLatin1String(DownloaderStrings::kCompany) + QStringLiteral("/QuarnDownloader.ini");
}

bool ShowDownloadErrorsAsTheyHappen()
{
    return QSettings(UserSettingsFile(), QSettings::IniFormat).value(kShowDownloadErrors, true).toBool();
}

void SetShowDownloadErrorsAsTheyHappen(bool show)
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    settings.setValue(kShowDownloadErrors, show);
    settings.sync();
}

CSettingsApplication::CSettingsApplication() { Load(); }

CSettingsApplication::~CSettingsApplication() = default;

CSettingsApplication& CSettingsApplication::Instance()
{
    auto& instance = TheInstance();
    if (!instance) instance.reset(new CSettingsApplication);
    return *instance;
}

void CSettingsApplication::Release()
{
    auto& instance = TheInstance();
    if (instance) instance->Save();
    instance.reset();
}

void CSettingsApplication::Load()
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    const QByteArray view = settings.value(kViewSettings).toByteArray();
    if (view.size() >= 16) {
        std::uint32_t words[4];
        ReadWords(view, words);
        std::copy(std::begin(words), std::end(words), m_dwViewSettings.begin());
    }
    const QByteArray placement = settings.value(kWindowPosition).toByteArray();
    if (placement.size() >= 44) {
        std::uint32_t words[11];
        ReadWords(placement, words);
        std::memcpy(&m_wpMainWindow, words, sizeof words);
    } else {
        m_wpMainWindow.length = 0;
    }
}

void CSettingsApplication::Save() const
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    std::uint32_t view[4];
    std::copy(m_dwViewSettings.begin(), m_dwViewSettings.end(), view);
    settings.setValue(kViewSettings, WriteWords(view));
    if (m_wpMainWindow.length != 0) {
        std::uint32_t words[11];
        std::memcpy(words, &m_wpMainWindow, sizeof words);
        settings.setValue(kWindowPosition, WriteWords(words));
    }
    settings.sync();
}
