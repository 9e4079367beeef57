// The program itself: start-up in its fixed order, the document cycle's New and Open,
// the About box, and what is written when the program ends.
#pragma once

#include <QString>
#include <memory>

#include "CRecentFileList.h"

class CFirmwareDownloaderDoc;
class CMainFrame;

class CFirmwareDownloaderApp {
public:
    CFirmwareDownloaderApp();
    virtual ~CFirmwareDownloaderApp();
    CFirmwareDownloaderApp(const CFirmwareDownloaderApp&) = delete;
    CFirmwareDownloaderApp& operator=(const CFirmwareDownloaderApp&) = delete;

    // False ends the program before its window is shown (the reason has been shown).
    bool InitInstance(const QString& commandLinePath);
    void ExitInstance();

    // Open by path: a New first (its answer ignored), then the open itself; false on failure.
    bool OpenDocumentFile(const QString& path);
    void OnFileNew();
    void OnFileOpen();
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CFirmwareDownloaderDoc* Document() const { return m_pDocument.get(); }
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }

    // Applies the stored placement with its rules (nothing stored or off every screen:
    // maximised; stored minimised: shown normal).
    void RestoreMainWindowPlacement();

private:
    // The document template's step: ask to save, then New (empty path) or Open.
    bool OpenDocumentFileTemplate(const QString& path);

    std::unique_ptr<CFirmwareDownloaderDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    CRecentFileList m_recentFiles{4};
};
