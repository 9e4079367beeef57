// The printer list: one row per printer with its name, model, port, file and, while it
// downloads, a progress bar; the selection the printer commands act on; and the window
// the printers' download threads report to.
#pragma once

#include <QTreeWidget>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "CDownloadJournal.h"
#include "CDownloadRun.h"
#include "DownloadStatus.h"
#include "CQuarnPrinters.h"
#include "CWnd.h"

class CFirmwareDownloaderDoc;
class CTextProgressCtrl;
class ICommandRouter;
class QLabel;
class QMenu;

class CFirmwareDownloaderView : public QTreeWidget, public CWnd {
    Q_OBJECT
public:
    enum EColumn { colName, colModel, colPort, colFile, colStatus, colCount };

    explicit CFirmwareDownloaderView(CFirmwareDownloaderDoc* pDocument, QWidget* parent = nullptr);
    ~CFirmwareDownloaderView() override;

    void SetCommandRouter(ICommandRouter* pRouter) { m_pRouter = pRouter; }

    // Called by the printers' threads; the message is handled later on the GUI thread.
    void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;

    void OnInitialUpdate();
    // Rebuilds every row from the document's printer list.
    void OnUpdate();
    void RemoveAllRows();
    void BeginProgress(CQuarnPrinterData* pPrinter, std::int64_t upper);
    void UpdateProgress(CQuarnPrinterData* pPrinter, std::int64_t position);
    void EndProgress(CQuarnPrinterData* pPrinter, const QString& text);
    bool HasDownloadFiles(bool selectedOnly, bool everyRow) const;
    // Whether a row's last download failed or was cancelled and its printer still has a file.
    bool HasRetryableRows() const;
    void BuildSelectedMap(CMapStringToOb& map) const;

    // Downloads asked for and not over: waiting, sending or calibrating.
    int ActiveDownloads() const { return m_run.Count(); }
    // How the downloads of the current or last run have ended so far.
    const CDownloadRun::Tally& RunTotals() const { return m_run.Totals(); }
    // The printers' threads are gone with their list: nothing they posted counts any more.
    void ForgetDownloads();
    int SelectedCount() const;
    int RowCount() const { return topLevelItemCount(); }
    // The row's bar while its download runs, else null.
    CTextProgressCtrl* ProgressBar(CQuarnPrinterData* pPrinter) const;
    // The printer of a row.
    CQuarnPrinterData* RowPrinter(int row) const;
    // The text shown over an empty list, telling how to fill it.
    const QLabel* EmptyListHint() const { return m_pEmptyHint; }

    // The menu for a right click at a point of the list's viewport.
    std::unique_ptr<QMenu> CreateContextMenu(const QPoint& viewportPoint);

    // Commands on the selected rows.
    void OnPrinterModify();
    void OnPrinterDelete();
    void OnFirmwareSelect();
    void OnFirmwareClear();
    void OnDownloadAll();
    void OnDownloadSelected();
    void OnDownloadCancel();
    // Downloads again to the printers whose last download failed or was cancelled.
    void OnDownloadRetryFailed();
    void OnTestPageQPL();
    void OnTestPageKPL();
    void OnEditSelectAll();

signals:
    // The selection, the rows or the count of running downloads changed.
    void CommandStateChanged();
    // Downloads were asked for while none ran.
    void RunStarted();
    // A printer's download of this run failed; message is the whole error.
    void DownloadFailed(const QString& printer, const QString& port, const QString& message);
    // The last download of a run is over.
    void RunFinished(const CDownloadRun::Tally& totals);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        QTreeWidgetItem* item;
        CTextProgressCtrl* bar;  // only between a download's begin and end
        bool emptyFile = false;  // the running download's file had no byte to send
    };

    // A message from a printer thread; generation is the rebuild it was posted during, list
    // the printer list it was posted under.
    // outcome: what WM_DOWNLOAD_OUTCOME carries (owned by the message), else null.
    void OnWindowMessage(unsigned message, WPARAM wParam, LPARAM lParam, unsigned generation, unsigned list,
                         const DownloadOutcome* outcome);
    void OnDownloadOutcome(CQuarnPrinterData* pPrinter, const DownloadOutcome& outcome);
    // Puts the printers the library is about to queue into the run; Download All when null.
    void RequestDownloads(const CMapStringToOb* pSelection);
    // Queues the printers of pSelection (all when null) as the library's download does.
    void StartDownloads(const CMapStringToOb* pSelection);
    void FinishDownload(CQuarnPrinterData* pPrinter, CDownloadRun::EResult result);
    void OnDownloadBegin(CQuarnPrinterData* pPrinter, std::int64_t length, bool current);
    void OnDownloadProgress(CQuarnPrinterData* pPrinter, std::int64_t position, bool current);
    void OnDownloadEnd(CQuarnPrinterData* pPrinter, long result, bool current);
    // Keeps status for the printer of that name and shows it on its row, if it has one.
    void SetStatus(const QByteArray& name, const DownloadStatus& status);
    void ClearStatus(const QByteArray& name);
    static void ShowStatus(QTreeWidgetItem* row, const DownloadStatus& status);
    std::vector<QTreeWidgetItem*> SelectedRows() const;
    std::vector<CQuarnPrinterData*> SelectedPrinters() const;
    void SelectPrinters(const std::vector<CQuarnPrinterData*>& printers);
    void UpdateEmptyHint();
    QTreeWidgetItem* MakeRow(CQuarnPrinterData* pPrinter) const;
    void FitColumns();
    void DestroyBar(Cell& cell);
    CQuarnPrinters* Printers() const;

    CFirmwareDownloaderDoc* m_pDocument;
    ICommandRouter* m_pRouter = nullptr;
    QLabel* m_pEmptyHint = nullptr;
    CDownloadRun m_run;
    // Where every outcome is recorded for later.
    CDownloadJournal m_journal;
    // Cancel was chosen during the current run: a printer that ends now does not calibrate.
    bool m_bRunCancelled = false;
    // By printer name: a printer keeps its status across rebuilds while it keeps its name.
    std::map<QByteArray, DownloadStatus> m_statusByName;
    std::map<QByteArray, QTreeWidgetItem*> m_rowsByName;
    std::unordered_map<CQuarnPrinterData*, Cell> m_mapProgress;
    // Raised at every rebuild: a message posted before it names a record that may be gone,
    // and is used only to keep the count of running downloads.
    std::atomic<unsigned> m_nGeneration{0};
    // Raised whenever the printer list is replaced or closed.
    std::atomic<unsigned> m_nList{0};
};
