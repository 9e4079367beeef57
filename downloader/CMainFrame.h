// The main window: menus, toolbar and status bar around the printer list; routes every
// command and applies its enable rule; remembers its placement when it closes.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "ICommandRouter.h"
#include "WindowPlacement.h"

class CDownloadFailuresWindow;
class CDownloadHistoryWindow;
class CFirmwareDownloaderApp;
class CFirmwareDownloaderDoc;
class CFirmwareDownloaderView;
class CHelpWindow;
class CLockKeyIndicator;
class QAction;
class QToolBar;

class CMainFrame : public QMainWindow, public ICommandRouter {
    Q_OBJECT
public:
    CMainFrame(CFirmwareDownloaderApp* pApp, CFirmwareDownloaderDoc* pDocument);
    ~CMainFrame() override;

    CFirmwareDownloaderView* View() const { return m_pView; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    QAction* Action(int id) const;
    CHelpWindow* HelpWindow() const { return m_pHelp.get(); }
    CDownloadFailuresWindow* FailuresWindow() const { return m_pFailures; }
    // Shows the failures of the current run, without taking the focus.
    void ShowFailures();
    // Shows the download journal as it is now; null until first shown.
    void ShowHistory();
    CDownloadHistoryWindow* HistoryWindow() const { return m_pHistory; }

    bool IsCommandEnabled(int id) const override;
    void OnCommand(int id) override;
    // Brings every menu item and toolbar button up to date with the enable rules.
    void UpdateCommandUI();

    WINDOWPLACEMENT GetWindowPlacement() const;
    void SetWindowPlacement(const WINDOWPLACEMENT& placement);
    // Maximised, with a restored size that shows every column (about 960 by 600, centred),
    // for a start with no placement of its own to restore.
    void ShowMaximizedFirstTime();

    // Before the printer list goes (close, New, Open): while downloads run or wait, asks
    // whether to stop them; false keeps everything as it is.
    bool MayStopDownloads();

    void OpenHelpFile();
    // Where the help document is looked for: beside the program, then where it is installed.
    static QString HelpFilePath();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateTitle();

    CFirmwareDownloaderApp* m_pApp;
    CFirmwareDownloaderDoc* m_pDocument;
    CFirmwareDownloaderView* m_pView;
    QToolBar* m_pToolBar = nullptr;
    std::map<int, QAction*> m_actions;
    std::vector<CLockKeyIndicator*> m_indicators;
    std::unique_ptr<CHelpWindow> m_pHelp;
    CDownloadFailuresWindow* m_pFailures;
    CDownloadHistoryWindow* m_pHistory = nullptr;
    // What the status bar says when nothing else is shown: the last run's summary, or Ready.
    QString m_strIdleMessage;
};
