// View › Download History: the download journal as a table, newest first, that can be
// narrowed to one printer.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

class CDownloadHistoryWindow : public QDialog {
    Q_OBJECT
public:
    // The columns of quarnctl history.
    enum EColumn { colTime, colPrinter, colPort, colResult, colBytes, colFile, colMessage, colDocument };

    explicit CDownloadHistoryWindow(QWidget* parent = nullptr);

    // Reads the journal again and shows it; the printer chosen stays chosen.
    void Reload();

    // Shows only that printer's downloads; empty shows every printer.
    void FilterPrinter(const QString& printer);
    int VisibleRows() const;
    QString VisibleCell(int row, int column) const;
    QString Summary() const;

private:
    QLabel* m_pSummary;
    QComboBox* m_pPrinter;
    QStandardItemModel* m_pModel;
    QSortFilterProxyModel* m_pFilter;
    QTableView* m_pTable;
};
