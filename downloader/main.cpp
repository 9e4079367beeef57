// QuarnDownloader: downloads firmware, fonts, graphics and command files into many label
// printers at once.
#include <QApplication>
#include <QStringList>

#include "CFirmwareDownloaderApp.h"
#include "CQtUserInterface.h"
#include "CSettingsApplication.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The library's message boxes and dialogs appear on this program's GUI thread.
    CQtUserInterface userInterface;
    AfxSetUserInterface(&userInterface);
    const QStringList arguments = QApplication::arguments();
    int status = 0;
    {
        CFirmwareDownloaderApp app;
        if (app.InitInstance(arguments.size() > 1 ? arguments.at(1) : QString())) {
            status = QApplication::exec();
            app.ExitInstance();
        }
    }
    CSettingsApplication::Release();
    AfxSetUserInterface(nullptr);
    return status;
}
