// The "Please Wait" dialog in front of a network search: it starts the search when shown,
// closes by itself when the search ends, and cancels the search when the user gives up.
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

    ISearchWait& m_search;
    QTimer m_poll;
    bool m_bStarted = false;
};
