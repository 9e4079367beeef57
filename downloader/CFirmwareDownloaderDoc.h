// The open printer-settings document: owns the library's printer list, ties New, Open,
// Save and Close to it, and runs the commands that act on the whole list.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "CQuarnPrinters.h"

class CArchive;
class CException;
class CPrinterDocument;
class CFirmwareDownloaderView;
class QWidget;

class CFirmwareDownloaderDoc : public QObject {
    Q_OBJECT
public:
    CFirmwareDownloaderDoc();
    ~CFirmwareDownloaderDoc() override;

    // The one view; the library's printers report their downloads to it.
    void AddView(CFirmwareDownloaderView* pView) { m_pView = pView; }
    CQuarnPrinters* Printers() const { return m_pPrinters.get(); }

    // The framework's flag, a mirror of the list's own (loaded before the save question,
    // copied back after every save attempt).
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified) { m_bModified = modified; }

    bool CreatePrinterList();
    bool OnNewDocument();
    bool OnOpenDocument(const QString& path);
    bool OnSaveDocument(const QString& path);
    void OnCloseDocument();
    // Asks whether to save unsaved changes; false when the user cancels.
    bool SaveModified();
    void Serialize(CArchive& ar);

    // Save: asks for a name only when the document has none or its file is gone or read-only.
    bool DoFileSave();
    // Save As when path is empty (always asks).
    bool DoSave(const QString& path);

    const QString& PathName() const { return m_strPathName; }
    // The folder of the document's file, where file dialogs start; empty for a new document.
    QString Folder() const;
    void SetPathName(const QString& path);
    void SetDefaultTitle();
    const QString& Title() const { return m_strTitle; }

    void UpdateAllViews();

    // Commands on the list as a whole.
    void OnPrinterAdd();
    void OnPrinterAutoDetect();
    void OnToolsOptions(QWidget* pOwner);
    // Adds the printers of a CSV fleet list the user chooses, all or none.
    void OnFileImportPrinters();
    // Writes the printers to a CSV fleet list the user names.
    void OnFileExportPrinters();
    bool CanSave() const;

signals:
    void TitleChanged();
    void PathSaved(const QString& path);

private:
    void ReportLoadSaveError(CException* e, const QString& path, bool saving) const;

    // Whether a save to path may go ahead: the repeated names of the loaded document are
    // agreed to be dropped, and the file still holds what this program last read or wrote.
    bool MaySaveOver(const QString& path);

    std::unique_ptr<CQuarnPrinters> m_pPrinters;
    // The file last opened or saved, with the bytes it held then.
    std::unique_ptr<CPrinterDocument> m_pDiskFile;
    bool m_bDropDuplicatesAgreed = false;
    // Set when a save was refused because the file changed on disk and the user chose Save As.
    bool m_bSaveAsInstead = false;
    CFirmwareDownloaderView* m_pView = nullptr;
    bool m_bModified = false;
    QString m_strPathName;
    QString m_strTitle;
};
