#include "CSearchWaitDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Often enough that the dialog closes without a visible lag after the search's end.
constexpr int kPollIntervalMs = 50;
// Short enough that the window answers between two slices well within a tenth of a second.
constexpr unsigned kSettleSliceMs = 25;
}  // namespace

CSearchWaitDialog::CSearchWaitDialog(ISearchWait& search, QWidget* parent) : QDialog(parent), m_search(search)
{
    setWindowTitle("Please Wait");
    setModal(true);

    auto* text = new QLabel("Searching Local Network and USB...");
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* cancel = new QPushButton("Cancel");
    cancel->setObjectName("cancel");
    connect(cancel, &QPushButton::clicked, this, &CSearchWaitDialog::reject);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(cancel);
    buttonRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(48, 24, 48, 16);
    layout->addWidget(text);
    layout->addSpacing(16);
    layout->addLayout(buttonRow);

    m_poll.setInterval(kPollIntervalMs);
    connect(&m_poll, &QTimer::timeout, this, &CSearchWaitDialog::PollForEnd);
    m_settle.setInterval(0);
    connect(&m_settle, &QTimer::timeout, this, &CSearchWaitDialog::SettleSlice);
}

void CSearchWaitDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bStarted) return;
    m_bStarted = true;
    m_search.Begin();
    m_poll.start();
}

void CSearchWaitDialog::PollForEnd()
{
    if (!m_search.WaitForEnd(0)) return;
    m_poll.stop();
    // Printers entered half-way cannot be taken back: from here on there is nothing to cancel.
    findChild<QPushButton*>("cancel")->setEnabled(false);
    m_settle.start();
}

void CSearchWaitDialog::SettleSlice()
{
    // Qt never fires a timer inside its own slot, so a message box that a slice shows does
    // not start the next slice inside this one.
    if (!m_search.Settle(kSettleSliceMs)) return;
    m_settle.stop();
    accept();
}

void CSearchWaitDialog::reject()
{
    if (m_settle.isActive()) return;
    // A search that has already ended has nothing left to cancel.
    if (m_poll.isActive()) {
        m_poll.stop();
        m_search.Cancel();
    }
    QDialog::reject();
}
