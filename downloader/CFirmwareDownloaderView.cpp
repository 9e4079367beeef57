#include "CFirmwareDownloaderView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QMouseEvent>

#include "CFileDialog.h"
#include "CFirmwareDownloaderDoc.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CTextProgressCtrl.h"
#include "CommandTable.h"
#include "DownloaderStrings.h"
#include "ICommandRouter.h"
#include "IUserInterface.h"
#include "PortColumn.h"
#include "ToolbarIcons.h"
#include "VisibleText.h"
#include "DownloadOutcome.h"
#include "WindowMessages.h"

namespace {

// The test pages' fallback text id; no text exists under it.
constexpr unsigned kTestPageFallbackId = 10;

// A row keeps its printer's name and file as they were at the rebuild: the enable rules
// read them whenever the selection changes, also while a message box of a command is open
// and a printer of a selected row may already have been freed.
constexpr int kPrinterRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kFileRole = Qt::UserRole + 2;

QByteArray Bytes(const CString& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// Names, models and paths come from documents and printers: control bytes and bytes that are
// not UTF-8 are shown as escapes, never as layout.
QString Text(const CString& bytes) { return QString::fromStdString(VisibleText(bytes)); }

// Shows a library error the way every printer command ends one.
void Report(CQuarnPrinterException* e, unsigned fallbackId = 0)
{
    e->ReportError(MB_OK, fallbackId);
    e->Delete();
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

struct ContextItem {
    const char* text;
    int id;
};

const ContextItem kOnItemMenu[] = {
    {"&Select Firmware File...", ID_FIRMWARE_SELECT}, {"&Clear Firmware File", ID_FIRMWARE_CLEAR},
    {nullptr, ID_SEPARATOR},
    {"&Add Printer...", ID_PRINTER_ADD}, {"&Modify Printer...", ID_PRINTER_MODIFY},
    {"&Delete Printer(s)", ID_PRINTER_DELETE},
    {nullptr, ID_SEPARATOR},
    {"&Download To Selected", ID_DOWNLOAD_SELECTED}, {"&Cancel Download", ID_DOWNLOAD_CANCEL},
    {"&Retry Failed", ID_DOWNLOAD_RETRY_FAILED}, {"Print &KPL Test Page", ID_TEST_PAGE_KPL}, {"Print &QPL Test Page", ID_TEST_PAGE_QPL},
};

const ContextItem kBackgroundMenu[] = {
    {"Select All", ID_EDIT_SELECT_ALL},
    {nullptr, ID_SEPARATOR},
    {"Add Printer...", ID_PRINTER_ADD}, {"Auto-Detect Printers", ID_PRINTER_AUTODETECT},
    {nullptr, ID_SEPARATOR},
    {"Download All", ID_DOWNLOAD_ALL}, {"Cancel Download", ID_DOWNLOAD_CANCEL},
    {"Retry Failed", ID_DOWNLOAD_RETRY_FAILED},
};

}  // namespace

CFirmwareDownloaderView::CFirmwareDownloaderView(CFirmwareDownloaderDoc* pDocument, QWidget* parent)
    : QTreeWidget(parent), m_pDocument(pDocument)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(QSize(16, 16));
    setHeaderLabels({DownloaderStrings::kColumnName, DownloaderStrings::kColumnModel, DownloaderStrings::kColumnPort,
                     DownloaderStrings::kColumnFile, DownloaderStrings::kColumnStatus});
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &CFirmwareDownloaderView::CommandStateChanged);

    // A newcomer's first screen is an empty list; it says how to fill it.
    m_pEmptyHint = new QLabel(QString::fromUtf8(DownloaderStrings::kEmptyListHint), viewport());
    m_pEmptyHint->setObjectName(QStringLiteral("emptyListHint"));
    m_pEmptyHint->setAlignment(Qt::AlignCenter);
    m_pEmptyHint->setWordWrap(true);
    m_pEmptyHint->setEnabled(false);
    m_pEmptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(this, &CFirmwareDownloaderView::CommandStateChanged, this, &CFirmwareDownloaderView::UpdateEmptyHint);
    UpdateEmptyHint();
}

void CFirmwareDownloaderView::UpdateEmptyHint()
{
    m_pEmptyHint->setGeometry(viewport()->rect());
    m_pEmptyHint->setVisible(topLevelItemCount() == 0);
}

void CFirmwareDownloaderView::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    UpdateEmptyHint();
}

CFirmwareDownloaderView::~CFirmwareDownloaderView() { RemoveAllRows(); }

CQuarnPrinters* CFirmwareDownloaderView::Printers() const { return m_pDocument->Printers(); }

void CFirmwareDownloaderView::PostMessage(unsigned message, WPARAM wParam, LPARAM lParam)
{
    const unsigned generation = m_nGeneration.load();
    const unsigned list = m_nList.load();
    // The outcome belongs to the message: freed with it also when the view is gone before
    // the message is handled.
    std::shared_ptr<const DownloadOutcome> outcome;
    if (message == WM_DOWNLOAD_OUTCOME) outcome.reset(reinterpret_cast<const DownloadOutcome*>(lParam));
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam, lParam, generation, list, outcome] {
            OnWindowMessage(message, wParam, lParam, generation, list, outcome.get());
        },
        Qt::QueuedConnection);
}

void CFirmwareDownloaderView::OnWindowMessage(unsigned message, WPARAM wParam, LPARAM lParam, unsigned generation,
                                              unsigned list, const DownloadOutcome* outcome)
{
    // A printer of a list that has been replaced may have left a message behind; its
    // record, and its place in the run, are gone.
    if (list != m_nList.load()) return;
    auto* pPrinter = reinterpret_cast<CQuarnPrinterData*>(wParam);
    const bool current = generation == m_nGeneration.load();
    switch (message) {
    case WM_DOWNLOAD_BEGIN:
        OnDownloadBegin(pPrinter, static_cast<std::int64_t>(lParam), current);
        break;
    case WM_DOWNLOAD_PROGRESS:
        OnDownloadProgress(pPrinter, static_cast<std::int64_t>(lParam), current);
        break;
    case WM_DOWNLOAD_END:
        OnDownloadEnd(pPrinter, static_cast<long>(lParam), current);
        break;
    case WM_DOWNLOAD_OUTCOME:
        if (outcome) OnDownloadOutcome(pPrinter, *outcome);
        break;
    default:
        break;
    }
}

void CFirmwareDownloaderView::OnDownloadBegin(CQuarnPrinterData* pPrinter, std::int64_t length, bool current)
{
    const auto row = current ? m_mapProgress.find(pPrinter) : m_mapProgress.end();
    const QByteArray name = row != m_mapProgress.end() ? row->second.item->data(colName, kNameRole).toByteArray()
                                                       : m_run.Name(pPrinter);
    ClearStatus(name);
    m_run.Begin(pPrinter, name);
    if (current) BeginProgress(pPrinter, length);
    emit CommandStateChanged();
}

void CFirmwareDownloaderView::OnDownloadProgress(CQuarnPrinterData* pPrinter, std::int64_t position, bool current)
{
    if (current) UpdateProgress(pPrinter, position);
}

void CFirmwareDownloaderView::OnDownloadEnd(CQuarnPrinterData* pPrinter, long result, bool current)
{
    m_run.EndTransfer(pPrinter);
    if (!current) return;
    const auto it = m_mapProgress.find(pPrinter);
    const bool emptyFile = it != m_mapProgress.end() && it->second.bar && it->second.emptyFile;
    EndProgress(pPrinter, emptyFile ? QString::fromLatin1(DownloaderStrings::kEmptyFile) : QString());
    // The printer's thread goes on with the calibration pause; the run counts it until the
    // outcome arrives. The record is alive: the rows were built after the request.
    if (it != m_mapProgress.end() && result != kDownloadFailed && !m_bRunCancelled && m_run.Contains(pPrinter) &&
        static_cast<CQuarnPrinter*>(pPrinter)->m_bCalibrate) {
        SetStatus(it->second.item->data(colName, kNameRole).toByteArray(), CalibratingStatus());
    }
}

void CFirmwareDownloaderView::OnDownloadOutcome(CQuarnPrinterData* pPrinter, const DownloadOutcome& outcome)
{
    const std::string document = m_pDocument->PathName().isEmpty()
                                     ? std::string()
                                     : CDownloadJournal::DocumentPath(QFile::encodeName(m_pDocument->PathName()).toStdString());
    if (const auto warning = m_journal.Append(outcome, DownloaderStrings::kAppName, document))
        AfxMessageBox(*warning, MB_OK | MB_ICONEXCLAMATION);
    QByteArray name = m_run.Name(pPrinter);
    if (name.isEmpty()) name = Bytes(outcome.printer);
    const DownloadStatus status = OutcomeStatus(outcome, m_run.TransferSeconds(pPrinter));
    SetStatus(name, status);
    if (outcome.result == DownloadResult::failed || outcome.calibration == CalibrationResult::failed)
        emit DownloadFailed(Text(outcome.printer), Text(outcome.port), status.toolTip);
    switch (outcome.result) {
    case DownloadResult::ok: FinishDownload(pPrinter, CDownloadRun::EResult::Ok); break;
    case DownloadResult::failed: FinishDownload(pPrinter, CDownloadRun::EResult::Failed); break;
    case DownloadResult::cancelled: FinishDownload(pPrinter, CDownloadRun::EResult::Cancelled); break;
    }
}

void CFirmwareDownloaderView::FinishDownload(CQuarnPrinterData* pPrinter, CDownloadRun::EResult result)
{
    if (m_run.Finish(pPrinter, result)) emit RunFinished(m_run.Totals());
    emit CommandStateChanged();
}

void CFirmwareDownloaderView::ForgetDownloads()
{
    ++m_nList;
    std::erase_if(m_statusByName, [](const auto& entry) { return entry.second.transient; });
    m_run.Clear();
    emit CommandStateChanged();
}

void CFirmwareDownloaderView::SetStatus(const QByteArray& name, const DownloadStatus& status)
{
    m_statusByName[name] = status;
    if (auto it = m_rowsByName.find(name); it != m_rowsByName.end()) ShowStatus(it->second, status);
}

void CFirmwareDownloaderView::ClearStatus(const QByteArray& name)
{
    m_statusByName.erase(name);
    if (auto it = m_rowsByName.find(name); it != m_rowsByName.end()) ShowStatus(it->second, DownloadStatus{});
}

void CFirmwareDownloaderView::ShowStatus(QTreeWidgetItem* row, const DownloadStatus& status)
{
    row->setText(colStatus, status.text);
    row->setToolTip(colStatus, status.toolTip);
    row->setIcon(colStatus, status.icon);
}

void CFirmwareDownloaderView::OnInitialUpdate()
{
    OnUpdate();
}

void CFirmwareDownloaderView::OnUpdate()
{
    WaitCursor wait;
    RemoveAllRows();
    if (CQuarnPrinters* printers = Printers()) {
        QList<QTreeWidgetItem*> rows;
        rows.reserve(printers->GetPrinterCount());
        for (POSITION pos = printers->GetFirstPrinter(); pos != nullptr;) {
            CQuarnPrinterData* pPrinter = printers->GetNextPrinter(pos);
            QTreeWidgetItem* row = MakeRow(pPrinter);
            m_mapProgress.emplace(pPrinter, Cell{row, nullptr});
            const QByteArray name = row->data(colName, kNameRole).toByteArray();
            m_rowsByName[name] = row;
            // A printer keeps its last outcome across rebuilds as long as it keeps its name.
            if (auto status = m_statusByName.find(name); status != m_statusByName.end())
                ShowStatus(row, status->second);
            rows.append(row);
        }
        // One insertion and one measurement for the whole list keep a rebuild of a
        // thousand printers quick.
        addTopLevelItems(rows);
    }
    FitColumns();
    emit CommandStateChanged();
}

QTreeWidgetItem* CFirmwareDownloaderView::MakeRow(CQuarnPrinterData* pPrinter) const
{
    const CString file = pPrinter->DownloadFile();
    auto* row = new QTreeWidgetItem(QStringList{Text(pPrinter->Name()), Text(pPrinter->Model()),
                                                Text(PortColumnText(*pPrinter)),
                                                file.empty() ? QString(DownloaderStrings::kNoneSelected) : Text(file),
                                                QString()});
    static const QIcon icon = PrinterRowIcon();
    row->setIcon(colName, icon);
    row->setData(colName, kPrinterRole, QVariant::fromValue(reinterpret_cast<quintptr>(pPrinter)));
    row->setData(colName, kNameRole, Bytes(pPrinter->Name()));
    row->setData(colName, kFileRole, Bytes(file));
    return row;
}

void CFirmwareDownloaderView::FitColumns()
{
    // The last column stretches over the rest of the width.
    for (int column = colName; column < colStatus; ++column) resizeColumnToContents(column);
}

void CFirmwareDownloaderView::DestroyBar(Cell& cell)
{
    if (!cell.bar) return;
    cell.bar->DestroyWindow();
    removeItemWidget(cell.item, colStatus);
    cell.bar = nullptr;
}

void CFirmwareDownloaderView::RemoveAllRows()
{
    ++m_nGeneration;
    for (auto& [printer, cell] : m_mapProgress) DestroyBar(cell);
    m_mapProgress.clear();
    m_rowsByName.clear();
    clear();
}

CQuarnPrinterData* CFirmwareDownloaderView::RowPrinter(int row) const
{
    QTreeWidgetItem* item = topLevelItem(row);
    return item ? reinterpret_cast<CQuarnPrinterData*>(item->data(colName, kPrinterRole).value<quintptr>()) : nullptr;
}

CTextProgressCtrl* CFirmwareDownloaderView::ProgressBar(CQuarnPrinterData* pPrinter) const
{
    auto it = m_mapProgress.find(pPrinter);
    return it == m_mapProgress.end() ? nullptr : it->second.bar;
}

void CFirmwareDownloaderView::BeginProgress(CQuarnPrinterData* pPrinter, std::int64_t upper)
{
    auto it = m_mapProgress.find(pPrinter);
    if (it == m_mapProgress.end() || it->second.bar) return;
    auto* bar = new CTextProgressCtrl;
    bar->SetTextFont(font());
    bar->SetRange(0, upper);
    // As an item widget the bar follows its row when the list scrolls or is resized.
    setItemWidget(it->second.item, colStatus, bar);
    bar->SetPos(0);
    bar->SetShowText(true);
    it->second.bar = bar;
    it->second.emptyFile = upper == 0;
}

void CFirmwareDownloaderView::UpdateProgress(CQuarnPrinterData* pPrinter, std::int64_t position)
{
    if (CTextProgressCtrl* bar = ProgressBar(pPrinter)) bar->SetPos(position);
}

void CFirmwareDownloaderView::EndProgress(CQuarnPrinterData* pPrinter, const QString& text)
{
    auto it = m_mapProgress.find(pPrinter);
    if (it == m_mapProgress.end() || !it->second.bar) return;
    DestroyBar(it->second);
    it->second.item->setText(colStatus, text);
}

int CFirmwareDownloaderView::SelectedCount() const { return static_cast<int>(selectionModel()->selectedRows().size()); }

std::vector<QTreeWidgetItem*> CFirmwareDownloaderView::SelectedRows() const
{
    std::vector<QTreeWidgetItem*> rows;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected()) rows.push_back(topLevelItem(row));
    }
    return rows;
}

std::vector<CQuarnPrinterData*> CFirmwareDownloaderView::SelectedPrinters() const
{
    std::vector<CQuarnPrinterData*> printers;
    for (QTreeWidgetItem* row : SelectedRows()) printers.push_back(RowPrinter(indexOfTopLevelItem(row)));
    return printers;
}

void CFirmwareDownloaderView::SelectPrinters(const std::vector<CQuarnPrinterData*>& printers)
{
    for (CQuarnPrinterData* pPrinter : printers) {
        auto it = m_mapProgress.find(pPrinter);
        if (it != m_mapProgress.end()) it->second.item->setSelected(true);
    }
}

bool CFirmwareDownloaderView::HasDownloadFiles(bool selectedOnly, bool everyRow) const
{
    std::vector<QTreeWidgetItem*> rows;
    if (selectedOnly) {
        rows = SelectedRows();
    } else {
        for (int row = 0; row < topLevelItemCount(); ++row) rows.push_back(topLevelItem(row));
    }
    if (rows.empty()) return false;
    for (QTreeWidgetItem* row : rows) {
        const bool hasFile = !row->data(colName, kFileRole).toByteArray().isEmpty();
        if (everyRow && !hasFile) return false;
        if (!everyRow && hasFile) return true;
    }
    return everyRow;
}

void CFirmwareDownloaderView::BuildSelectedMap(CMapStringToOb& map) const
{
    for (QTreeWidgetItem* row : SelectedRows()) {
        map[row->data(colName, kNameRole).toByteArray().toStdString()] = RowPrinter(indexOfTopLevelItem(row));
    }
}

std::unique_ptr<QMenu> CFirmwareDownloaderView::CreateContextMenu(const QPoint& viewportPoint)
{
    QTreeWidgetItem* hit = itemAt(viewportPoint);
    const bool onItem = hit != nullptr && viewport()->rect().contains(viewportPoint);
    if (onItem && selectedItems().isEmpty()) {
        // The hit row becomes the current row, without being selected.
        selectionModel()->setCurrentIndex(indexFromItem(hit), QItemSelectionModel::NoUpdate);
    }
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(onItem ? QStringLiteral("ContextOnItem") : QStringLiteral("ContextBackground"));
    const std::span<const ContextItem> items = onItem ? std::span<const ContextItem>(kOnItemMenu)
                                                      : std::span<const ContextItem>(kBackgroundMenu);
    for (const ContextItem& item : items) {
        if (item.id == ID_SEPARATOR) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.id);
        action->setEnabled(m_pRouter && m_pRouter->IsCommandEnabled(item.id));
        const int id = item.id;
        connect(action, &QAction::triggered, this, [this, id] {
            if (m_pRouter) m_pRouter->OnCommand(id);
        });
        if (item.id == ID_PRINTER_MODIFY) menu->setDefaultAction(action);
    }
    return menu;
}

void CFirmwareDownloaderView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    const QPoint viewportPoint = fromKeyboard ? QPoint(-1, -1) : viewport()->mapFromGlobal(event->globalPos());
    std::unique_ptr<QMenu> menu = CreateContextMenu(viewportPoint);
    menu->exec(fromKeyboard ? viewport()->mapToGlobal(QPoint(0, 0)) : event->globalPos());
}

void CFirmwareDownloaderView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    // No enable rule: a printer may be looked at also while downloads run.
    if (itemAt(event->position().toPoint())) OnPrinterModify();
}

void CFirmwareDownloaderView::OnPrinterModify()
{
    const std::vector<CQuarnPrinterData*> selected = SelectedPrinters();
    if (selected.empty()) return;
    try {
        Printers()->ModifyPrinter(selected.front(), cfNone);
    } catch (CQuarnPrinterException* e) {
        Report(e);
    }
    m_pDocument->UpdateAllViews();
}

void CFirmwareDownloaderView::OnPrinterDelete()
{
    try {
        for (CQuarnPrinterData* pPrinter : SelectedPrinters()) Printers()->DeletePrinter(pPrinter);
    } catch (CQuarnPrinterException* e) {
        Report(e);
    }
    m_pDocument->UpdateAllViews();
}

void CFirmwareDownloaderView::OnFirmwareSelect()
{
    CFileDialog dialog(true, QStringLiteral("prg"), QLatin1String(DownloaderStrings::kFirmwareFilter), window());
    dialog.SetInitialFolder(m_pDocument->Folder());
    const QString path = dialog.DoModal();
    if (path.isEmpty()) return;
    WaitCursor wait;
    // The rows are rebuilt; the printers the file went to stay selected for the next command.
    const std::vector<CQuarnPrinterData*> selected = SelectedPrinters();
    try {
        const CString file = path.toLocal8Bit().toStdString();
        for (CQuarnPrinterData* pPrinter : selected) Printers()->SetDownloadFile(pPrinter, file);
    } catch (CQuarnPrinterException* e) {
        Report(e);
    }
    m_pDocument->UpdateAllViews();
    SelectPrinters(selected);
}

void CFirmwareDownloaderView::OnFirmwareClear()
{
    const std::vector<CQuarnPrinterData*> selected = SelectedPrinters();
    try {
        for (CQuarnPrinterData* pPrinter : selected) Printers()->SetDownloadFile(pPrinter, CString());
    } catch (CQuarnPrinterException* e) {
        Report(e);
    }
    m_pDocument->UpdateAllViews();
    SelectPrinters(selected);
}

void CFirmwareDownloaderView::RequestDownloads(const CMapStringToOb* pSelection)
{
    for (auto& [pPrinter, cell] : m_mapProgress) {
        const QByteArray name = cell.item->data(colName, kNameRole).toByteArray();
        const bool chosen = pSelection ? pSelection->count(name.toStdString()) != 0
                                       : !cell.item->data(colName, kFileRole).toByteArray().isEmpty();
        if (!chosen) continue;
        m_run.Request(pPrinter, name);
        SetStatus(name, WaitingStatus());
    }
}

void CFirmwareDownloaderView::StartDownloads(const CMapStringToOb* pSelection)
{
    if (m_run.Count() == 0) {
        m_bRunCancelled = false;
        emit RunStarted();
    }
    RequestDownloads(pSelection);
    try {
        Printers()->DownloadToPrinters(pSelection);
    } catch (CQuarnPrinterException* e) {
        // Which requests the library took before it failed is not known; those it took
        // join the run again when they begin.
        for (const QByteArray& name : m_run.ForgetWaiting()) ClearStatus(name);
        Report(e);
    }
    emit CommandStateChanged();
}

void CFirmwareDownloaderView::OnDownloadAll() { StartDownloads(nullptr); }

bool CFirmwareDownloaderView::HasRetryableRows() const
{
    for (const auto& [name, row] : m_rowsByName) {
        const auto status = m_statusByName.find(name);
        if (status != m_statusByName.end() && status->second.retry &&
            !row->data(colName, kFileRole).toByteArray().isEmpty())
            return true;
    }
    return false;
}

void CFirmwareDownloaderView::OnDownloadRetryFailed()
{
    CMapStringToOb map;
    for (const auto& [name, row] : m_rowsByName) {
        const auto status = m_statusByName.find(name);
        if (status != m_statusByName.end() && status->second.retry &&
            !row->data(colName, kFileRole).toByteArray().isEmpty())
            map[name.toStdString()] = RowPrinter(indexOfTopLevelItem(row));
    }
    if (!map.empty()) StartDownloads(&map);
}

void CFirmwareDownloaderView::OnDownloadSelected()
{
    if (SelectedCount() == 0) return;
    CMapStringToOb map;
    BuildSelectedMap(map);
    StartDownloads(&map);
}

void CFirmwareDownloaderView::OnDownloadCancel()
{
    // Every printer of the run, queued ones included, still ends with its outcome.
    m_bRunCancelled = true;
    Printers()->CancelDownload();
}

void CFirmwareDownloaderView::OnTestPageQPL()
{
    if (SelectedCount() == 0) return;
    CMapStringToOb map;
    BuildSelectedMap(map);
    try {
        Printers()->PrintTestPageQPL(map);
    } catch (CQuarnPrinterException* e) {
        Report(e, kTestPageFallbackId);
    }
}

void CFirmwareDownloaderView::OnTestPageKPL()
{
    if (SelectedCount() == 0) return;
    CMapStringToOb map;
    BuildSelectedMap(map);
    try {
        Printers()->PrintTestPageKPL(map);
    } catch (CQuarnPrinterException* e) {
        Report(e, kTestPageFallbackId);
    }
}

void CFirmwareDownloaderView::OnEditSelectAll()
{
    for (int row = 0; row < topLevelItemCount(); ++row) topLevelItem(row)->setSelected(true);
}
