// The failures of the current download run, one line per printer, gathered in one window
// that never waits for an answer: the printers go on while it is on screen.
#pragma once

#include <QDialog>

class QLabel;
class QListWidget;

class CDownloadFailuresWindow : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadFailuresWindow(QWidget* parent = nullptr);

    // A new run: the failures of the last one go.
    void StartRun();
    // "Line3 (10.0.0.7): That port is unavailable. No answer within 10 s."
    void AddFailure(const QString& printer, const QString& port, const QString& message);

    int FailureCount() const;
    QString FailureLine(int index) const;

private:
    void UpdateHeading();

    QLabel* m_pHeading;
    QListWidget* m_pList;
};
