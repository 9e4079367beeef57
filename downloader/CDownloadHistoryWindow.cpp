#include "CDownloadHistoryWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "CDownloadJournal.h"
#include "DownloadStatus.h"
#include "VisibleText.h"

namespace {

QString Text(const std::string& bytes) { return QString::fromStdString(VisibleText(bytes)); }

QList<QStandardItem*> RowOf(const DownloadJournalEntry& entry)
{
    const DownloadOutcome& outcome = entry.outcome;
    const QString message = OutcomeMessageText(outcome).simplified();
    const QString document = Text(entry.document);
    QList<QStandardItem*> cells;
    for (const QString& text :
         {QString::fromStdString(IsoUtc(entry.time)), Text(outcome.printer), Text(outcome.port),
          QString::fromLatin1(ResultWord(outcome.result)),
          QStringLiteral("%1/%2").arg(outcome.bytesTaken).arg(outcome.fileSize), Text(outcome.file), message,
          document}) {
        auto* cell = new QStandardItem(text);
        cell->setEditable(false);
        cells << cell;
    }
    cells[CDownloadHistoryWindow::colFile]->setToolTip(cells[CDownloadHistoryWindow::colFile]->text());
    cells[CDownloadHistoryWindow::colMessage]->setToolTip(message);
    cells[CDownloadHistoryWindow::colDocument]->setToolTip(document + QStringLiteral("\nrecorded by ") +
                                                           Text(entry.program));
    // The name as stored, for the filter: two printers may look alike once escaped.
    cells[CDownloadHistoryWindow::colPrinter]->setData(QString::fromStdString(outcome.printer), Qt::UserRole);
    return cells;
}

}  // namespace

CDownloadHistoryWindow::CDownloadHistoryWindow(QWidget* parent)
    : QDialog(parent),
      m_pSummary(new QLabel(this)),
      m_pPrinter(new QComboBox(this)),
      m_pModel(new QStandardItemModel(this)),
      m_pFilter(new QSortFilterProxyModel(this)),
      m_pTable(new QTableView(this))
{
    setObjectName(QStringLiteral("DownloadHistory"));
    setWindowTitle(QStringLiteral("Download History"));
    setModal(false);
    m_pModel->setHorizontalHeaderLabels({QStringLiteral("Time (UTC)"), QStringLiteral("Printer"),
                                         QStringLiteral("Port"), QStringLiteral("Result"),
                                         QStringLiteral("Bytes taken/size"), QStringLiteral("File"),
                                         QStringLiteral("Message"), QStringLiteral("Document")});
    m_pFilter->setSourceModel(m_pModel);
    m_pFilter->setFilterKeyColumn(colPrinter);
    m_pFilter->setFilterRole(Qt::UserRole);
    m_pTable->setModel(m_pFilter);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->setWordWrap(false);

    m_pPrinter->setObjectName(QStringLiteral("printerFilter"));
    connect(m_pPrinter, &QComboBox::currentIndexChanged, this,
            [this] { FilterPrinter(m_pPrinter->currentData().toString()); });
    auto* reload = new QPushButton(QStringLiteral("&Reload"), this);
    connect(reload, &QPushButton::clicked, this, &CDownloadHistoryWindow::Reload);
    auto* printerLabel = new QLabel(QStringLiteral("&Printer:"), this);
    printerLabel->setBuddy(m_pPrinter);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(printerLabel);
    filterRow->addWidget(m_pPrinter, 1);
    filterRow->addWidget(reload);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(m_pTable);
    layout->addWidget(m_pSummary);
    layout->addWidget(buttons);
    resize(1100, 420);
}

void CDownloadHistoryWindow::Reload()
{
    const CDownloadJournal journal;
    const CDownloadJournal::Contents contents = journal.Read();
    m_pModel->removeRows(0, m_pModel->rowCount());
    std::set<std::string> printers;
    // Newest first: the journal is in the order the outcomes were written.
    for (auto it = contents.entries.rbegin(); it != contents.entries.rend(); ++it) {
        m_pModel->appendRow(RowOf(*it));
        printers.insert(it->outcome.printer);
    }
    const QString chosen = m_pPrinter->currentData().toString();
    {
        const QSignalBlocker quiet(m_pPrinter);
        m_pPrinter->clear();
        m_pPrinter->addItem(QStringLiteral("All printers"), QString());
        for (const std::string& printer : printers)
            m_pPrinter->addItem(Text(printer), QString::fromStdString(printer));
        m_pPrinter->setCurrentIndex(std::max(0, m_pPrinter->findData(chosen)));
    }
    FilterPrinter(m_pPrinter->currentData().toString());
    const std::size_t count = contents.entries.size();
    QString summary = (count == 1 ? QStringLiteral("1 download") : QStringLiteral("%1 downloads").arg(count)) +
                      QStringLiteral(" recorded in ") + QString::fromStdString(journal.Path().string());
    if (contents.damaged == 1) summary += QStringLiteral("; 1 damaged line skipped");
    if (contents.damaged > 1) summary += QStringLiteral("; %1 damaged lines skipped").arg(contents.damaged);
    m_pSummary->setText(summary);
    m_pTable->resizeColumnsToContents();
}

void CDownloadHistoryWindow::FilterPrinter(const QString& printer)
{
    const QSignalBlocker quiet(m_pPrinter);
    m_pPrinter->setCurrentIndex(std::max(0, m_pPrinter->findData(printer)));
    m_pFilter->setFilterRegularExpression(
        printer.isEmpty() ? QString() : QStringLiteral("^%1$").arg(QRegularExpression::escape(printer)));
}

int CDownloadHistoryWindow::VisibleRows() const { return m_pFilter->rowCount(); }

QString CDownloadHistoryWindow::VisibleCell(int row, int column) const
{
    return m_pFilter->index(row, column).data().toString();
}

QString CDownloadHistoryWindow::Summary() const { return m_pSummary->text(); }
