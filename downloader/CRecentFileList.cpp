#include "CRecentFileList.h"

#include <QSettings>

#include "CSettingsApplication.h"

namespace {

QString EntryKey(int index) { return QStringLiteral("Recent File List/File%1").arg(index + 1); }

}  // namespace

void CRecentFileList::ReadList()
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    m_entries.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString path = settings.value(EntryKey(i)).toString();
        if (!path.isEmpty()) m_entries << path;
    }
}

void CRecentFileList::WriteList() const
{
    QSettings settings(UserSettingsFile(), QSettings::IniFormat);
    for (int i = 0; i < m_nSize; ++i) {
        if (i < m_entries.size()) {
            settings.setValue(EntryKey(i), m_entries[i]);
        } else {
            settings.remove(EntryKey(i));
        }
    }
}

void CRecentFileList::Add(const QString& path)
{
    m_entries.removeAll(path);
    m_entries.prepend(path);
    while (m_entries.size() > m_nSize) m_entries.removeLast();
}
