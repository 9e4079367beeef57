// The most recently opened or saved documents, kept in the user's settings.
#pragma once

#include <QStringList>

class CRecentFileList {
public:
    explicit CRecentFileList(int nSize) : m_nSize(nSize) {}

    void ReadList();
    void WriteList() const;
    // Puts path first, dropping an older entry of it and the oldest beyond the size.
    void Add(const QString& path);
    const QStringList& Entries() const { return m_entries; }

private:
    int m_nSize;
    QStringList m_entries;
};
