#include "CDownloadFailuresWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CDownloadFailuresWindow::CDownloadFailuresWindow(QWidget* parent)
    : QDialog(parent), m_pHeading(new QLabel(this)), m_pList(new QListWidget(this))
{
    setObjectName(QStringLiteral("DownloadFailures"));
    setWindowTitle(QStringLiteral("Download Failures"));
    setModal(false);
    m_pList->setObjectName(QStringLiteral("failures"));
    m_pList->setWordWrap(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pHeading);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
    resize(560, 260);
    UpdateHeading();
}

void CDownloadFailuresWindow::StartRun()
{
    m_pList->clear();
    UpdateHeading();
}

void CDownloadFailuresWindow::AddFailure(const QString& printer, const QString& port, const QString& message)
{
    // The detail comes on a line of its own; here one line per printer keeps the list short.
    const QString line = QStringLiteral("%1 (%2): %3").arg(printer, port, message.simplified());
    auto* item = new QListWidgetItem(line, m_pList);
    item->setToolTip(line);
    m_pList->scrollToItem(item);
    UpdateHeading();
}

int CDownloadFailuresWindow::FailureCount() const { return m_pList->count(); }

QString CDownloadFailuresWindow::FailureLine(int index) const { return m_pList->item(index)->text(); }

void CDownloadFailuresWindow::UpdateHeading()
{
    const int count = m_pList->count();
    m_pHeading->setText(count == 1 ? QStringLiteral("1 download of this run failed:")
                                   : QStringLiteral("%1 downloads of this run failed:").arg(count));
}
