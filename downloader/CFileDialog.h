// A one-file open or save dialog driven by a filter string of "name|pattern|" pairs ended
// by "|", as the program's command set gives them.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class CFileDialog {
public:
    CFileDialog(bool bOpenFileDialog, const QString& defaultExtension, const QString& filter,
                QWidget* pParent = nullptr);

    // The folder the dialog opens in; the process's current folder when none is given.
    void SetInitialFolder(const QString& folder) { m_strInitialFolder = folder; }

    // The chosen full path, or empty when the user cancelled.
    QString DoModal();

    // The dialog's name filters: each display name with the patterns it stands for; "*.*"
    // means every file, which is "*" here.
    static QStringList NameFilters(const QString& filter);

private:
    bool m_bOpen;
    QString m_strDefaultExtension;
    QString m_strFilter;
    QString m_strInitialFolder;
    QWidget* m_pParent;
};
