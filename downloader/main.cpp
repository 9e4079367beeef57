// QuarnDownloader: downloads firmware, fonts, graphics and command files into many label
// printers at once.
#include <QApplication>
#include <QFile>

#include "CFirmwareDownloaderApp.h"
#include "CQtUserInterface.h"
#include "CSettingsApplication.h"
#include "DownloaderCommandLine.h"
#include "OpenFileLimit.h"

int main(int argc, char* argv[])
{
    // A document of a thousand printers, or a search that finds them, needs more than the usual 1024.
    RaiseOpenFileLimit();
    DownloaderCommandLine commandLine;
    if (const std::optional<int> ended = commandLine.ParseBeforeStart(argc, argv)) return *ended;
    QApplication application(argc, argv);
    if (const std::optional<int> ended = commandLine.ParseAfterToolkit(argc, argv)) return *ended;
    // The library's message boxes and dialogs appear on this program's GUI thread.
    CQtUserInterface userInterface;
    AfxSetUserInterface(&userInterface);
    int status = kDownloaderExitNotStarted;
    {
        CFirmwareDownloaderApp app;
        if (app.InitInstance(QFile::decodeName(QByteArray::fromStdString(commandLine.Document())))) {
            status = QApplication::exec();
            app.ExitInstance();
        }
    }
    CSettingsApplication::Release();
    AfxSetUserInterface(nullptr);
    return status;
}
