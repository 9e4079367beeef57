// The library's user interface on Qt Widgets: message boxes and the library's dialogs,
// always shown on the GUI thread, whichever thread asks.
#pragma once

#include "IUserInterface.h"

class CQtUserInterface : public IUserInterface {
public:
    // Needs a QApplication; install it with AfxSetUserInterface.
    CQtUserInterface() = default;

    // The text exactly, with the buttons and icon of style and the application's name as
    // title. A worker thread waits until the GUI thread has the answer.
    int MessageBox(const CString& text, unsigned style) override;
    int RunSearchWait(ISearchWait& search) override;
    bool RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags) override;
};
