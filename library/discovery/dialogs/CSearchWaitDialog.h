// The "Please Wait" dialog in front of a network search: it starts the search when shown,
// cancels the search when the user gives up, and once the search has ended stays up while
// what it found is entered, a slice at a time, then closes by itself.
#pragma once

#include <QDialog>
#include <QTimer>

#include "IUserInterface.h"

class CSearchWaitDialog : public QDialog {
public:
    explicit CSearchWaitDialog(ISearchWait& search, QWidget* parent = nullptr);

    // Cancel button, Esc and the close box.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PollForEnd();
    void SettleSlice();

    ISearchWait& m_search;
    QTimer m_poll;
    QTimer m_settle;
    bool m_bStarted = false;
};
