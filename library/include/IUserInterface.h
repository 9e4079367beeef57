// The one seam through which the library shows anything to a person. The program
// installs its implementation (Qt on the GUI thread, console for quarnctl, scripted in
// tests); any thread may call it and waits for the answer.
#pragma once

#include "CString.h"

class CQuarnPrinter;

// Message box styles and answers, with the platform's values.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// A network search in progress, as a user interface drives it while it shows the wait.
class ISearchWait {
public:
    virtual ~ISearchWait() = default;
    // The wait is on screen: start the search.
    virtual void Begin() = 0;
    // Blocks up to timeoutMs; true once the search has ended by itself.
    virtual bool WaitForEnd(unsigned timeoutMs) = 0;
    // The user gave up waiting; the search is forgotten.
    virtual void Cancel() = 0;
    // After the search's end, with the wait still on screen: enters about sliceMs worth of
    // what the search found and returns true once all is entered. A user interface that
    // keeps its window answering calls it a slice at a time; one that does not may skip it,
    // and the search's owner enters the rest after the wait.
    virtual bool Settle(unsigned sliceMs) { return true; }
};

class IUserInterface {
public:
    virtual ~IUserInterface() = default;
    // Shows text with the buttons and icon of style; returns the button chosen.
    virtual int MessageBox(const CString& text, unsigned style) = 0;
    // Shows "Please Wait" ("Searching Local Network and USB...", Cancel) while search runs:
    // Begin, then wait for its end (IDOK) unless the user cancels (Cancel, then IDCANCEL).
    // Without a way to cancel, the default waits for the end.
    virtual int RunSearchWait(ISearchWait& search);
    // Shows the printer configuration dialog on workingCopy, which it edits in place;
    // true when the user confirmed. flags as the collection received them (bit 0 hides the
    // calibration check box). Without a dialog nothing can be confirmed: false.
    virtual bool RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags);
};

// Installs the implementation the library uses from now on (null restores the console one).
void AfxSetUserInterface(IUserInterface* ui);
IUserInterface& AfxUserInterface();

int AfxMessageBox(const CString& text, unsigned style = MB_OK);
// Shows the text of a string-table id.
int AfxMessageBox(unsigned stringId, unsigned style = MB_OK);
