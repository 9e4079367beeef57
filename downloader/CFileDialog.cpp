#include "CFileDialog.h"

#include <QFileDialog>

CFileDialog::CFileDialog(bool bOpenFileDialog, const QString& defaultExtension, const QString& filter,
                         QWidget* pParent)
    : m_bOpen(bOpenFileDialog), m_strDefaultExtension(defaultExtension), m_strFilter(filter), m_pParent(pParent)
{
}

QStringList CFileDialog::NameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = parts[i];
        // The display name already lists the patterns in Windows form; the dialog reads the
        // last bracketed group, so that group is given in the form that matches here.
        const qsizetype bracket = name.lastIndexOf(QLatin1Char('('));
        if (bracket != -1) name.truncate(bracket);
        filters << name.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

QString CFileDialog::DoModal()
{
    QFileDialog dialog(m_pParent);
    // The widget dialog behaves the same on every desktop and can be driven by tests.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(m_strDefaultExtension);
    dialog.setNameFilters(NameFilters(m_strFilter));
    if (!m_strInitialFolder.isEmpty()) dialog.setDirectory(m_strInitialFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}
