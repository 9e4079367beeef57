#include "CHelpWindow.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>

#include "ToolbarIcons.h"

CHelpWindow::CHelpWindow()
{
    setWindowTitle(QStringLiteral("QuarnDownloader Help"));
    setWindowIcon(ApplicationIcon());
    // The help is not owned by the main window, but must not keep the program alive.
    setAttribute(Qt::WA_QuitOnClose, false);
    setOpenExternalLinks(true);
    resize(760, 640);
}

void CHelpWindow::ShowFile(const QString& path)
{
    if (QFileInfo::exists(path)) {
        setSource(QUrl::fromLocalFile(path));
    } else {
        setPlainText(QStringLiteral("The help file %1 cannot be found. Reinstall the program to restore it.").arg(path));
    }
    show();
    raise();
    activateWindow();
}

void CHelpWindow::keyPressEvent(QKeyEvent* event)
{
    // A window of its own, read and put away like a dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}
