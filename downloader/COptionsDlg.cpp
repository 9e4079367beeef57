#include "COptionsDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CDownloadsSpinBox.h"
#include "CSettingsMachine.h"
#include "IUserInterface.h"

const char* const kMaxDownloadsRangeMessage = "Please enter an integer between 1 and 99.";

COptionsDlg::COptionsDlg(int nMax, QWidget* pParent, int nStallTimeout, bool bShowDownloadErrors)
    : QDialog(pParent),
      m_nMaxDownloads(nMax),
      m_nStallTimeout(nStallTimeout),
      m_bShowDownloadErrors(bShowDownloadErrors),
      m_pSpin(new CDownloadsSpinBox(this)),
      m_pStall(new QSpinBox(this)),
      m_pShowErrors(new QCheckBox(QStringLiteral("Show download errors as they happen"), this)),
      m_pOk(new QPushButton(QStringLiteral("OK"), this)),
      m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(QStringLiteral("Options"));
    auto* label = new QLabel(QStringLiteral("Maximum Simultaneous Downloads (1-99):"), this);
    label->setBuddy(m_pSpin);
    m_pSpin->setValue(m_nMaxDownloads);
    m_pSpin->installEventFilter(this);
    auto* stallLabel = new QLabel(QStringLiteral("Stop a download when the printer takes no byte for (10-3600 s):"), this);
    stallLabel->setBuddy(m_pStall);
    m_pStall->setObjectName(QStringLiteral("stallTimeout"));
    m_pStall->setRange(CSettingsMachine::kLeastStallTimeout, CSettingsMachine::kMostStallTimeout);
    m_pStall->setSuffix(QStringLiteral(" s"));
    m_pStall->setValue(m_nStallTimeout);
    m_pShowErrors->setObjectName(QStringLiteral("showDownloadErrors"));
    m_pShowErrors->setToolTip(QStringLiteral("Opens the list of failed downloads at the first failure of a run; "
                                             "otherwise the list shows each failure and View › Download "
                                             "Failures opens it."));
    m_pShowErrors->setChecked(m_bShowDownloadErrors);
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &COptionsDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_pSpin, 0, 1);
    layout->addWidget(stallLabel, 1, 0);
    layout->addWidget(m_pStall, 1, 1);
    layout->addWidget(m_pShowErrors, 2, 0, 1, 2);
    layout->addLayout(buttons, 3, 0, 1, 2);
    setLayout(layout);
    m_pSpin->setFocus();
    m_pSpin->selectAll();
}

bool COptionsDlg::ExchangeFromField()
{
    bool ok = false;
    const int value = m_pSpin->text().trimmed().toInt(&ok);
    if (ok && value >= CDownloadsSpinBox::kMinimum && value <= CDownloadsSpinBox::kMaximum) {
        m_nMaxDownloads = value;
        return true;
    }
    m_bChecking = true;
    AfxMessageBox(kMaxDownloadsRangeMessage, MB_OK | MB_ICONEXCLAMATION);
    m_bChecking = false;
    m_pSpin->setFocus();
    m_pSpin->selectAll();
    return false;
}

void COptionsDlg::accept()
{
    if (!ExchangeFromField()) return;
    m_pStall->interpretText();
    m_nStallTimeout = m_pStall->value();
    m_bShowDownloadErrors = m_pShowErrors->isChecked();
    QDialog::accept();
}

bool COptionsDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pSpin && event->type() == QEvent::FocusOut && !m_bChecking) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* next = QApplication::focusWidget();
        // Leaving for the buttons is not a check of its own: OK checks once, Cancel never.
        const bool toButton = next == m_pOk || next == m_pCancel;
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason) &&
            !toButton)
            ExchangeFromField();
    }
    return QDialog::eventFilter(watched, event);
}
