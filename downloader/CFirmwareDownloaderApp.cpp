#include "CFirmwareDownloaderApp.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "CAboutDlg.h"
#include "CFileDialog.h"
#include "CFirmwareDownloaderDoc.h"
#include "CFirmwareDownloaderView.h"
#include "CMainFrame.h"
#include "CSettingsApplication.h"
#include "DownloaderStrings.h"

CFirmwareDownloaderApp::CFirmwareDownloaderApp() = default;

CFirmwareDownloaderApp::~CFirmwareDownloaderApp()
{
    // The printers' threads post to the view, so the printers go first; then the frame
    // (and its view) before the document that they point into.
    if (m_pDocument) m_pDocument->OnCloseDocument();
    m_pMainFrame.reset();
    m_pDocument.reset();
}

bool CFirmwareDownloaderApp::InitInstance(const QString& commandLinePath)
{
    QCoreApplication::setOrganizationName(QLatin1String(DownloaderStrings::kCompany));
    QCoreApplication::setApplicationName(QLatin1String(DownloaderStrings::kAppName));
    m_recentFiles.ReadList();

    m_pDocument = std::make_unique<CFirmwareDownloaderDoc>();
    m_pMainFrame = std::make_unique<CMainFrame>(this, m_pDocument.get());
    QObject::connect(m_pDocument.get(), &CFirmwareDownloaderDoc::PathSaved,
                     [this](const QString& path) { m_recentFiles.Add(path); });

    const bool started = commandLinePath.isEmpty() ? OpenDocumentFileTemplate(QString())
                                                   : OpenDocumentFile(commandLinePath);
    if (!started) {
        m_pDocument->OnCloseDocument();
        return false;
    }
    m_pMainFrame->show();
    m_pMainFrame->repaint();
    RestoreMainWindowPlacement();
    m_pMainFrame->repaint();
    return true;
}

void CFirmwareDownloaderApp::RestoreMainWindowPlacement()
{
    WINDOWPLACEMENT& stored = CSettingsApplication::Instance().m_wpMainWindow;
    if (stored.length == 0) {
        m_pMainFrame->ShowMaximizedFirstTime();
        return;
    }
    const QRect normal(QPoint(stored.rcNormalLeft, stored.rcNormalTop),
                       QPoint(stored.rcNormalRight - 1, stored.rcNormalBottom - 1));
    bool onScreen = false;
    for (const QScreen* screen : QGuiApplication::screens()) onScreen = onScreen || screen->geometry().intersects(normal);
    if (!onScreen) {
        m_pMainFrame->ShowMaximizedFirstTime();
        return;
    }
    if (stored.showCmd == SW_SHOWMINIMIZED) stored.showCmd = SW_SHOWNORMAL;
    m_pMainFrame->SetWindowPlacement(stored);
}

void CFirmwareDownloaderApp::ExitInstance() { m_recentFiles.WriteList(); }

bool CFirmwareDownloaderApp::OpenDocumentFileTemplate(const QString& path)
{
    CFirmwareDownloaderDoc& document = *m_pDocument;
    if (!document.SaveModified()) return false;
    if (path.isEmpty()) {
        document.SetDefaultTitle();
        const bool created = document.OnNewDocument();
        // Also after a refused New: the rows must show the list that is now in place.
        m_pMainFrame->View()->OnInitialUpdate();
        return created;
    }
    if (!document.OnOpenDocument(path)) {
        // The list has been replaced whatever went wrong, so it no longer is the old file.
        document.SetDefaultTitle();
        document.SetModifiedFlag(false);
        m_pMainFrame->View()->OnInitialUpdate();
        return false;
    }
    document.SetPathName(path);
    m_pMainFrame->View()->OnInitialUpdate();
    return true;
}

bool CFirmwareDownloaderApp::OpenDocumentFile(const QString& path)
{
    OpenDocumentFileTemplate(QString());
    return OpenDocumentFileTemplate(path);
}

void CFirmwareDownloaderApp::OnFileNew()
{
    if (m_pMainFrame->MayStopDownloads()) OpenDocumentFileTemplate(QString());
}

void CFirmwareDownloaderApp::OnFileOpen()
{
    CFileDialog dialog(true, QLatin1String(DownloaderStrings::kDocumentExtension),
                       QStringLiteral("%1|*.%2||")
                           .arg(QLatin1String(DownloaderStrings::kDocumentFilter),
                                QLatin1String(DownloaderStrings::kDocumentExtension)),
                       m_pMainFrame.get());
    dialog.SetInitialFolder(m_pDocument->Folder());
    const QString path = dialog.DoModal();
    if (!path.isEmpty() && m_pMainFrame->MayStopDownloads()) OpenDocumentFile(path);
}

void CFirmwareDownloaderApp::OnAppAbout()
{
    CAboutDlg about(m_pMainFrame.get());
    about.exec();
}
