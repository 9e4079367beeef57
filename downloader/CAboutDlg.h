// The About box: the program's name, the version read from its own file, and a notice.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The version shown (control 1002).
    QString VersionText() const;

private:
    QLabel* m_pVersion;
};
