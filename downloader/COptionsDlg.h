// The Options dialog: edits the machine-wide ceiling of simultaneous downloads (1 to 99).
#pragma once

#include <QDialog>

class CDownloadsSpinBox;
class QPushButton;

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(int nMax, QWidget* pParent = nullptr);

    CDownloadsSpinBox* SpinBox() const { return m_pSpin; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

    int m_nMaxDownloads;

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Reads the field into m_nMaxDownloads; a value outside 1..99 is refused with a message
    // and the focus goes back to the field.
    bool ExchangeFromField();

    CDownloadsSpinBox* m_pSpin;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    bool m_bChecking = false;
};

// The text shown when the field holds no number from 1 to 99.
extern const char* const kMaxDownloadsRangeMessage;
