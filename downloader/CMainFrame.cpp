#include "CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include "CDownloadFailuresWindow.h"
#include "CDownloadHistoryWindow.h"
#include "CFirmwareDownloaderApp.h"
#include "CFirmwareDownloaderDoc.h"
#include "CFirmwareDownloaderView.h"
#include "CHelpWindow.h"
#include "CLockKeyIndicator.h"
#include "CSettingsApplication.h"
#include "CommandTable.h"
#include "DownloadStatus.h"
#include "DownloaderStrings.h"
#include "IUserInterface.h"
#include "ToolbarIcons.h"

CMainFrame::CMainFrame(CFirmwareDownloaderApp* pApp, CFirmwareDownloaderDoc* pDocument)
    : m_pApp(pApp),
      m_pDocument(pDocument),
      m_pView(new CFirmwareDownloaderView(pDocument, this)),
      m_pFailures(new CDownloadFailuresWindow(this))
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowIcon(ApplicationIcon());
    setCentralWidget(m_pView);
    m_pDocument->AddView(m_pView);
    m_pView->SetCommandRouter(this);
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    connect(m_pView, &CFirmwareDownloaderView::CommandStateChanged, this, &CMainFrame::UpdateCommandUI);
    connect(m_pView, &CFirmwareDownloaderView::RunStarted, this, [this] {
        m_pFailures->StartRun();
        m_strIdleMessage.clear();
        statusBar()->showMessage(QString::fromLatin1(DownloaderStrings::kReady));
    });
    connect(m_pView, &CFirmwareDownloaderView::DownloadFailed, this,
            [this](const QString& printer, const QString& port, const QString& message) {
                m_pFailures->AddFailure(printer, port, message);
                // Shown without taking the focus: the operator may be typing elsewhere.
                if (ShowDownloadErrorsAsTheyHappen() && !m_pFailures->isVisible()) ShowFailures();
            });
    connect(m_pView, &CFirmwareDownloaderView::RunFinished, this, [this](const CDownloadRun::Tally& totals) {
        m_strIdleMessage = RunSummaryText(totals.ok, totals.failed, totals.cancelled);
        statusBar()->showMessage(m_strIdleMessage);
    });
    connect(m_pDocument, &CFirmwareDownloaderDoc::TitleChanged, this, &CMainFrame::UpdateTitle);
    qApp->installEventFilter(this);
    UpdateTitle();
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    m_pDocument->AddView(nullptr);
}

QAction* CMainFrame::Action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(this);
        action->setObjectName(QStringLiteral("command%1").arg(command.id));
        action->setData(command.id);
        action->setText(QString::fromLatin1(command.menuText));
        action->setIcon(CommandIcon(command.id));
        action->setStatusTip(PromptStatusText(command));
        action->setToolTip(PromptToolTip(command));
        if (*command.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(command.shortcut)));
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        // Commands without a menu item are reached by their keys alone.
        if (!*command.menuText) addAction(action);
        m_actions[command.id] = action;
    }
    for (int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
        m_actions[id]->setCheckable(true);
        m_actions[id]->setChecked(true);
    }
}

void CMainFrame::CreateMenus()
{
    for (const MenuLayout& layout : MainMenuLayout()) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(layout.title));
        for (int id : layout.items) {
            if (id == ID_SEPARATOR) {
                menu->addSeparator();
            } else {
                menu->addAction(m_actions.at(id));
            }
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

void CMainFrame::CreateToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setIconSize(QSize(16, 16));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolbarLayout()) {
        if (id == ID_SEPARATOR) {
            m_pToolBar->addSeparator();
        } else {
            m_pToolBar->addAction(m_actions.at(id));
        }
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    // Closing the floating toolbar must clear the View menu's check mark.
    connect(m_pToolBar, &QToolBar::visibilityChanged, m_actions.at(ID_VIEW_TOOLBAR), &QAction::setChecked);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    const std::pair<const char*, const char*> keys[] = {{DownloaderStrings::kIndicatorCaps, "capslock"},
                                                        {DownloaderStrings::kIndicatorNum, "numlock"},
                                                        {DownloaderStrings::kIndicatorScroll, "scrolllock"}};
    for (const auto& [text, led] : keys) {
        auto* indicator = new CLockKeyIndicator(QString::fromLatin1(text), QString::fromLatin1(led), bar);
        bar->addPermanentWidget(indicator);
        m_indicators.push_back(indicator);
    }
    bar->showMessage(QString::fromLatin1(DownloaderStrings::kReady));
}

void CMainFrame::UpdateTitle()
{
    const CQuarnPrinters* printers = m_pDocument->Printers();
    const bool unsaved = m_pDocument->IsModified() || (printers && printers->IsModified());
    setWindowTitle(m_pDocument->Title() + (unsaved ? QStringLiteral("*") : QString()) + QStringLiteral(" - ") +
                   QLatin1String(DownloaderStrings::kAppName));
}

void CMainFrame::ShowMaximizedFirstTime()
{
    const QRect available = screen()->availableGeometry();
    QRect normal(QPoint(), QSize(960, 600).boundedTo(available.size()));
    normal.moveCenter(available.center());
    setGeometry(normal);
    showMaximized();
}

bool CMainFrame::IsCommandEnabled(int id) const
{
    const int active = m_pView->ActiveDownloads();
    const int selected = m_pView->SelectedCount();
    switch (id) {
    case ID_FILE_SAVE:
        return m_pDocument->CanSave();
    case ID_PRINTER_ADD:
    case ID_PRINTER_AUTODETECT:
    case ID_TOOLS_OPTIONS:
    case ID_FILE_IMPORT_PRINTERS:
        return active == 0;
    case ID_FILE_EXPORT_PRINTERS:
        return m_pDocument->CanSave();
    case ID_PRINTER_MODIFY:
        return selected == 1 && active == 0;
    case ID_PRINTER_DELETE:
    case ID_FIRMWARE_SELECT:
    case ID_FIRMWARE_CLEAR:
    case ID_TEST_PAGE_QPL:
    case ID_TEST_PAGE_KPL:
        return selected > 0 && active == 0;
    case ID_DOWNLOAD_ALL:
        return active == 0 && m_pView->HasDownloadFiles(false, false);
    case ID_DOWNLOAD_SELECTED:
        return active == 0 && selected > 0 && m_pView->HasDownloadFiles(true, true);
    case ID_DOWNLOAD_CANCEL:
        return active > 0;
    case ID_DOWNLOAD_RETRY_FAILED:
        return active == 0 && m_pView->HasRetryableRows();
    case ID_EDIT_SELECT_ALL:
        return m_pView->RowCount() > 0;
    default:
        return true;
    }
}

void CMainFrame::UpdateCommandUI()
{
    for (const auto& [id, action] : m_actions) action->setEnabled(IsCommandEnabled(id));
    // Every change to the list goes through a command or a change of rows, both of which end here.
    UpdateTitle();
}

void CMainFrame::OnCommand(int id)
{
    // Keys and stale menus must not get past a rule that no longer holds.
    if (!IsCommandEnabled(id)) return;
    switch (id) {
    case ID_FILE_NEW: m_pApp->OnFileNew(); break;
    case ID_FILE_OPEN: m_pApp->OnFileOpen(); break;
    case ID_FILE_SAVE: m_pDocument->DoFileSave(); break;
    case ID_FILE_SAVE_AS: m_pDocument->DoSave(QString()); break;
    case ID_FILE_IMPORT_PRINTERS: m_pDocument->OnFileImportPrinters(); break;
    case ID_FILE_EXPORT_PRINTERS: m_pDocument->OnFileExportPrinters(); break;
    case ID_APP_EXIT: close(); break;
    case ID_VIEW_TOOLBAR: m_pToolBar->setVisible(!m_pToolBar->isVisible()); break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        m_actions.at(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisible());
        break;
    case ID_PRINTER_ADD: m_pDocument->OnPrinterAdd(); break;
    case ID_PRINTER_AUTODETECT: m_pDocument->OnPrinterAutoDetect(); break;
    case ID_TOOLS_OPTIONS: m_pDocument->OnToolsOptions(this); break;
    case ID_PRINTER_MODIFY: m_pView->OnPrinterModify(); break;
    case ID_PRINTER_DELETE: m_pView->OnPrinterDelete(); break;
    case ID_FIRMWARE_SELECT: m_pView->OnFirmwareSelect(); break;
    case ID_FIRMWARE_CLEAR: m_pView->OnFirmwareClear(); break;
    case ID_DOWNLOAD_ALL: m_pView->OnDownloadAll(); break;
    case ID_DOWNLOAD_SELECTED: m_pView->OnDownloadSelected(); break;
    case ID_DOWNLOAD_CANCEL: m_pView->OnDownloadCancel(); break;
    case ID_DOWNLOAD_RETRY_FAILED: m_pView->OnDownloadRetryFailed(); break;
    case ID_VIEW_DOWNLOAD_FAILURES: ShowFailures(); break;
    case ID_VIEW_DOWNLOAD_HISTORY: ShowHistory(); break;
    case ID_TEST_PAGE_KPL: m_pView->OnTestPageKPL(); break;
    case ID_TEST_PAGE_QPL: m_pView->OnTestPageQPL(); break;
    case ID_EDIT_SELECT_ALL: m_pView->OnEditSelectAll(); break;
    case ID_HELP_CONTENTS: OpenHelpFile(); break;
    case ID_APP_ABOUT: m_pApp->OnAppAbout(); break;
    default: break;
    }
    UpdateCommandUI();
}

WINDOWPLACEMENT CMainFrame::GetWindowPlacement() const
{
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    placement.showCmd = isMinimized() ? SW_SHOWMINIMIZED : isMaximized() ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.rcNormalLeft = normal.left();
    placement.rcNormalTop = normal.top();
    placement.rcNormalRight = normal.left() + normal.width();
    placement.rcNormalBottom = normal.top() + normal.height();
    placement.ptMinPositionX = placement.ptMinPositionY = -1;
    placement.ptMaxPositionX = placement.ptMaxPositionY = -1;
    return placement;
}

void CMainFrame::SetWindowPlacement(const WINDOWPLACEMENT& placement)
{
    setGeometry(placement.rcNormalLeft, placement.rcNormalTop, placement.rcNormalRight - placement.rcNormalLeft,
                placement.rcNormalBottom - placement.rcNormalTop);
    switch (placement.showCmd) {
    case SW_SHOWMAXIMIZED: showMaximized(); break;
    case SW_SHOWMINIMIZED: showMinimized(); break;
    default: showNormal(); break;
    }
}

QString CMainFrame::HelpFilePath()
{
    const QString name = QLatin1String(DownloaderStrings::kHelpFileName);
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(name);
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = QDir::cleanPath(programDir.filePath(QStringLiteral(QUARN_HELP_RELATIVE_DIR "/") + name));
    return QFileInfo::exists(installed) ? installed : beside;
}

void CMainFrame::ShowFailures()
{
    m_pFailures->setAttribute(Qt::WA_ShowWithoutActivating);
    m_pFailures->show();
    m_pFailures->raise();
}

void CMainFrame::ShowHistory()
{
    if (!m_pHistory) m_pHistory = new CDownloadHistoryWindow(this);
    m_pHistory->Reload();
    m_pHistory->show();
    m_pHistory->raise();
    m_pHistory->activateWindow();
}

void CMainFrame::OpenHelpFile()
{
    if (!m_pHelp) m_pHelp = std::make_unique<CHelpWindow>();
    m_pHelp->ShowFile(HelpFilePath());
}

bool CMainFrame::MayStopDownloads()
{
    const int count = m_pView->ActiveDownloads();
    if (count == 0) return true;
    // Stopping is the list's own teardown, which cancels what runs and drops what waits.
    return AfxMessageBox(StillRunningQuestion(count).toStdString(), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!MayStopDownloads()) {
        event->ignore();
        return;
    }
    // Taken before the save question, so a cancelled close still remembers where it was.
    if (isVisible()) CSettingsApplication::Instance().m_wpMainWindow = GetWindowPlacement();
    if (!m_pDocument->SaveModified()) {
        event->ignore();
        return;
    }
    m_pDocument->OnCloseDocument();
    if (m_pHelp) m_pHelp->close();
    m_pFailures->close();
    if (m_pHistory) m_pHistory->close();
    event->accept();
}

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip && static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
        // The last run's summary stays until the next run, also after a menu's prompts.
        statusBar()->showMessage(m_strIdleMessage.isEmpty() ? QString::fromLatin1(DownloaderStrings::kReady)
                                                            : m_strIdleMessage);
        return true;
    }
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock) {
            for (CLockKeyIndicator* indicator : m_indicators) indicator->Refresh();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
