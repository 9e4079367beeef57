#include "CAboutDlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "CModuleVersion.h"
#include "ToolbarIcons.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), m_pVersion(new QLabel(this))
{
    setWindowTitle(QStringLiteral("About QuarnDownloader"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("QuarnDownloader Version:"), this);
    name->setTextFormat(Qt::PlainText);
    auto* notice = new QLabel(QStringLiteral("Copyright \u00A9 Quarn Technologies Corporation"), this);
    m_pVersion->setObjectName(QStringLiteral("IDC_VERSION"));
    m_pVersion->setText(GetVersionText(QCoreApplication::applicationFilePath()));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(m_pVersion, 0, 2);
    layout->addWidget(notice, 1, 1, 1, 2);
    layout->addWidget(ok, 0, 3, Qt::AlignTop);
    layout->setColumnStretch(2, 1);
    setLayout(layout);
}

QString CAboutDlg::VersionText() const { return m_pVersion->text(); }
