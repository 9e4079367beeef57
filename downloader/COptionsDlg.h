// The Options dialog: edits the machine-wide ceiling of simultaneous downloads (1 to 99),
// the time a printer may take no byte before its download fails, and whether download
// errors are shown as they happen.
#pragma once

#include <QDialog>

#include "CSettingsMachine.h"

class CDownloadsSpinBox;
class QCheckBox;
class QPushButton;
class QSpinBox;

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(int nMax, QWidget* pParent = nullptr,
                         int nStallTimeout = CSettingsMachine::kDefaultStallTimeout, bool bShowDownloadErrors = true);

    CDownloadsSpinBox* SpinBox() const { return m_pSpin; }
    QSpinBox* StallTimeoutBox() const { return m_pStall; }
    QCheckBox* ShowDownloadErrorsBox() const { return m_pShowErrors; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

    int m_nMaxDownloads;
    // Seconds, 10 to 3600.
    int m_nStallTimeout;
    bool m_bShowDownloadErrors;

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the field into m_nMaxDownloads; a value outside 1..99 is refused with a message
    // and the focus goes back to the field.
    bool ExchangeFromField();

    CDownloadsSpinBox* m_pSpin;
    QSpinBox* m_pStall;
    QCheckBox* m_pShowErrors;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    bool m_bChecking = false;
};

// The text shown when the field holds no number from 1 to 99.
extern const char* const kMaxDownloadsRangeMessage;
