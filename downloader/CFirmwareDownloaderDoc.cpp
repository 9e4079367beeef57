#include "CFirmwareDownloaderDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <chrono>
#include <iostream>

#include "CArchive.h"
#include "CFileDialog.h"
#include "CFirmwareDownloaderView.h"
#include "CPrinterDocument.h"
#include "COptionsDlg.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CSettingsApplication.h"
#include "DownloaderStrings.h"
#include "FleetList.h"
#include "IUserInterface.h"

CFirmwareDownloaderDoc::CFirmwareDownloaderDoc() { SetDefaultTitle(); }

CFirmwareDownloaderDoc::~CFirmwareDownloaderDoc() = default;

bool CFirmwareDownloaderDoc::CreatePrinterList()
{
    // The rows must never outlive the printers they show, also when the new list ends up
    // refused below and nothing else rebuilds them.
    if (m_pView) m_pView->RemoveAllRows();
    m_pPrinters.reset();
    if (m_pView) m_pView->ForgetDownloads();
    m_pPrinters = std::make_unique<CQuarnPrinters>();
    if (m_pPrinters->IsAlreadyRunning()) {
        const CString holder = m_pPrinters->InstanceLockHolder();
        AfxMessageBox(CString(DownloaderStrings::kAlreadyRunning) +
                          (holder.empty() ? CString() : "\n\nThe printers are held by " + holder + "."),
                      MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    if (const CString problem = m_pPrinters->InstanceLockProblem(); !problem.empty()) {
        std::cerr << "QuarnDownloader: warning: the single-instance lock cannot be taken (" << problem
                  << "); going on without it, so another program may be driving the same printers.\n";
    }
    return true;
}

bool CFirmwareDownloaderDoc::OnNewDocument()
{
    m_strPathName.clear();
    m_pDiskFile.reset();
    SetModifiedFlag(false);
    return CreatePrinterList();
}

bool CFirmwareDownloaderDoc::OnOpenDocument(const QString& path)
{
    CreatePrinterList();
    m_pDiskFile.reset();
    m_bDropDuplicatesAgreed = false;
    auto file = std::make_unique<CPrinterDocument>(QFile::encodeName(path).toStdString());
    // Dirty while reading, so that a failure part-way through is known to have spoilt the list.
    SetModifiedFlag(true);
    try {
        file->Load(*m_pPrinters, m_pView);
    } catch (CDocumentFileException* e) {
        CExceptionHolder<> error(e);
        AfxMessageBox(e->m_strText, MB_OK | MB_ICONEXCLAMATION);
        return false;
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        ReportLoadSaveError(e, path, false);
        return false;
    }
    m_pDiskFile = std::move(file);
    if (const CString dropped = DescribeDroppedDuplicates(*m_pPrinters); !dropped.empty())
        AfxMessageBox(dropped + "Only the last record of each name is in the list.", MB_OK | MB_ICONEXCLAMATION);
    SetModifiedFlag(false);
    return true;
}

bool CFirmwareDownloaderDoc::MaySaveOver(const QString& path)
{
    if (m_pPrinters && !m_pPrinters->DroppedDuplicates().empty() && !m_bDropDuplicatesAgreed) {
        const int answer = AfxMessageBox(QStringLiteral("%1 repeats printer names; saving keeps only the last "
                                                        "record of each name, and the others are lost from it. "
                                                        "Save anyway?")
                                             .arg(m_strPathName)
                                             .toStdString(),
                                         MB_YESNO | MB_ICONEXCLAMATION);
        if (answer != IDYES) return false;
        m_bDropDuplicatesAgreed = true;
    }
    // Only the file this program read is compared: another target was chosen in the Save As
    // dialog, which asks before it replaces a file.
    if (!m_pDiskFile || QFileInfo(path).absoluteFilePath() != m_strPathName || !m_pDiskFile->ChangedOnDisk())
        return true;
    const int answer = AfxMessageBox(QStringLiteral("%1 has been changed by another program since it was opened "
                                                    "here. Saving would overwrite those changes, so it has not been "
                                                    "saved. Save this list under another name?")
                                         .arg(path)
                                         .toStdString(),
                                     MB_YESNO | MB_ICONEXCLAMATION);
    m_bSaveAsInstead = answer == IDYES;
    return false;
}

bool CFirmwareDownloaderDoc::OnSaveDocument(const QString& path)
{
    bool saved = false;
    auto file = std::make_unique<CPrinterDocument>(QFile::encodeName(path).toStdString());
    try {
        // Held from the test for changes on disk to the rename, so that no other program's
        // save falls between them.
        file->Lock(std::chrono::seconds(10));
        if (MaySaveOver(path)) {
            file->Save(*m_pPrinters);
            file->Unlock();
            m_pDiskFile = std::move(file);
            saved = true;
        }
    } catch (CDocumentFileException* e) {
        CExceptionHolder<> error(e);
        AfxMessageBox(e->m_strText, MB_OK | MB_ICONEXCLAMATION);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        ReportLoadSaveError(e, path, true);
    }
    // A save that was refused or failed leaves the list's changes marked, so that closing
    // still asks about them.
    if (saved) {
        SetModifiedFlag(false);
        m_pPrinters->SetModified(false);
    }
    return saved;
}

void CFirmwareDownloaderDoc::OnCloseDocument()
{
    if (m_pView) m_pView->RemoveAllRows();
    m_pPrinters.reset();
    if (m_pView) m_pView->ForgetDownloads();
}

bool CFirmwareDownloaderDoc::SaveModified()
{
    if (m_pPrinters) SetModifiedFlag(m_pPrinters->IsModified());
    if (!IsModified()) return true;
    const QString name = m_strPathName.isEmpty() ? m_strTitle : m_strPathName;
    switch (AfxMessageBox(QStringLiteral("Save changes to %1?").arg(name).toStdString(),
                          MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

void CFirmwareDownloaderDoc::Serialize(CArchive& ar) { m_pPrinters->Serialize(ar, m_pView); }

bool CFirmwareDownloaderDoc::DoFileSave()
{
    const QFileInfo info(m_strPathName);
    if (m_strPathName.isEmpty() || !info.exists() || !info.isWritable()) return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CFirmwareDownloaderDoc::DoSave(const QString& path)
{
    QString target = path;
    if (target.isEmpty()) {
        CFileDialog dialog(false, QLatin1String(DownloaderStrings::kDocumentExtension),
                           QStringLiteral("%1|*.%2||")
                               .arg(QLatin1String(DownloaderStrings::kDocumentFilter),
                                    QLatin1String(DownloaderStrings::kDocumentExtension)),
                           m_pView ? m_pView->window() : nullptr);
        dialog.SetInitialFolder(Folder());
        target = dialog.DoModal();
        if (target.isEmpty()) return false;
    }
    m_bSaveAsInstead = false;
    if (!OnSaveDocument(target)) return m_bSaveAsInstead && DoSave(QString());
    SetPathName(target);
    return true;
}

void CFirmwareDownloaderDoc::SetPathName(const QString& path)
{
    m_strPathName = QFileInfo(path).absoluteFilePath();
    m_strTitle = QFileInfo(path).fileName();
    emit PathSaved(m_strPathName);
    emit TitleChanged();
}

QString CFirmwareDownloaderDoc::Folder() const
{
    return m_strPathName.isEmpty() ? QString() : QFileInfo(m_strPathName).absolutePath();
}

void CFirmwareDownloaderDoc::SetDefaultTitle()
{
    m_strPathName.clear();
    m_strTitle = QLatin1String(DownloaderStrings::kUntitled);
    emit TitleChanged();
}

void CFirmwareDownloaderDoc::UpdateAllViews()
{
    if (m_pView) m_pView->OnUpdate();
}

void CFirmwareDownloaderDoc::OnPrinterAdd()
{
    if (m_pPrinters) {
        try {
            m_pPrinters->AddPrinter(m_pView, cfNone);
        } catch (CQuarnPrinterException* e) {
            e->ReportError(MB_OK, 0);
            e->Delete();
        }
    }
    UpdateAllViews();
}

void CFirmwareDownloaderDoc::OnPrinterAutoDetect()
{
    if (m_pPrinters) {
        try {
            m_pPrinters->AutoDetectPrinters(m_pView);
            const std::string& problem = m_pPrinters->LastNetworkSearch().problem;
            if (!problem.empty())
                AfxMessageBox("The network search could not run: " + problem + ". No network printer was looked for.",
                              MB_OK | MB_ICONEXCLAMATION);
        } catch (CQuarnPrinterException* e) {
            e->ReportError(MB_OK, 0);
            e->Delete();
        }
    }
    UpdateAllViews();
}

void CFirmwareDownloaderDoc::OnToolsOptions(QWidget* pOwner)
{
    COptionsDlg dialog(m_pPrinters->MaxSimultaneousDownloads(), pOwner, m_pPrinters->StallTimeout(),
                       ShowDownloadErrorsAsTheyHappen());
    if (dialog.exec() != QDialog::Accepted) return;
    m_pPrinters->MaxSimultaneousDownloads(dialog.m_nMaxDownloads);
    m_pPrinters->StallTimeout(dialog.m_nStallTimeout);
    SetShowDownloadErrorsAsTheyHappen(dialog.m_bShowDownloadErrors);
}

namespace {

const QString kFleetListFilter = QStringLiteral("Fleet lists (*.csv)|*.csv|All Files (*.*)|*.*||");
// Larger than any fleet; a bigger file is a wrong file.
constexpr qint64 kMaxFleetListBytes = qint64{64} << 20;

}  // namespace

void CFirmwareDownloaderDoc::OnFileImportPrinters()
{
    if (!m_pPrinters) return;
    CFileDialog dialog(true, QStringLiteral("csv"), kFleetListFilter, m_pView ? m_pView->window() : nullptr);
    dialog.SetInitialFolder(Folder());
    const QString path = dialog.DoModal();
    if (path.isEmpty()) return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFleetListBytes) {
        const QString reason = file.isOpen() ? QStringLiteral("it is larger than 64 MiB") : file.errorString();
        AfxMessageBox(QStringLiteral("Cannot open the fleet list %1: %2.").arg(path, reason).toStdString(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const FleetListImport import =
        ReadFleetList(file.readAll().toStdString(), QFileInfo(path).absolutePath().toStdString(), *m_pPrinters);
    if (!import.problems.empty()) {
        AfxMessageBox(FleetListRefusal(path.toStdString(), m_strTitle.toStdString(), import.problems),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::vector<CQuarnPrinter*> records;
    for (const auto& printer : import.printers) records.push_back(printer.get());
    try {
        EnterNewPrinters(*m_pPrinters, records, m_pView);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        e->ReportError(MB_ICONEXCLAMATION, 0);
    }
    UpdateAllViews();
}

void CFirmwareDownloaderDoc::OnFileExportPrinters()
{
    if (!m_pPrinters) return;
    CFileDialog dialog(false, QStringLiteral("csv"), kFleetListFilter, m_pView ? m_pView->window() : nullptr);
    dialog.SetInitialFolder(Folder());
    const QString path = dialog.DoModal();
    if (path.isEmpty()) return;
    QSaveFile file(path);
    const QByteArray bytes = QByteArray::fromStdString(ExportFleetList(*m_pPrinters));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        AfxMessageBox(QStringLiteral("Cannot write the fleet list %1: %2.").arg(path, file.errorString()).toStdString(),
                      MB_OK | MB_ICONEXCLAMATION);
    }
}

bool CFirmwareDownloaderDoc::CanSave() const { return m_pPrinters && m_pPrinters->GetPrinterCount() > 0; }

void CFirmwareDownloaderDoc::ReportLoadSaveError(CException* e, const QString& path, bool saving) const
{
    if (auto* printerError = dynamic_cast<CQuarnPrinterException*>(e)) {
        printerError->ReportError(MB_ICONEXCLAMATION, 0);
        return;
    }
    CString detail;
    if (!e->GetErrorMessage(detail)) detail = "it is damaged or not a printer settings file";
    const QString what = saving ? QStringLiteral("save") : QStringLiteral("open");
    AfxMessageBox(QStringLiteral("Cannot %1 the printer settings file %2: %3")
                      .arg(what, path, QString::fromStdString(detail))
                      .toStdString(),
                  MB_OK | MB_ICONEXCLAMATION);
}
