// The printer list's part in adding and modifying printers: the dialog loop and the
// uniqueness of names and ports.
#include <memory>
#include <new>

#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "IUserInterface.h"
#include "StringTable.h"

void CQuarnPrinters::AddPrinter(CWnd* pNotifyWnd, EConfigFlags flags)
{
    try {
        auto printer = std::make_unique<CQuarnPrinter>(pNotifyWnd);
        if (ConfigurePrinter(printer.get(), flags)) EnterPrinter(printer.release());
    } catch (const std::bad_alloc&) {
        AfxMessageBox(kOutOfMemoryText, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CQuarnPrinters::ModifyPrinter(CQuarnPrinterData* pPrinter, EConfigFlags flags)
{
    CQuarnPrinter* printer = pPrinter ? FindPrinter(pPrinter) : nullptr;
    // Thrown directly: ThrowPrinterError would read 6 as the platform's invalid-handle number.
    if (!printer) throw new CQuarnPrinterException(errConfiguration);

    // Out of the list while the dialog runs, so the printer's own name and port do not count
    // as taken.
    m_mapPrinters.erase(printer->m_strName);
    try {
        ConfigurePrinter(printer, flags);
    } catch (...) {
        // Its port and thread are gone; a record without them must not go back into the list.
        delete printer;
        throw;
    }
    EnterPrinter(printer);
}

bool CQuarnPrinters::ConfigurePrinter(CQuarnPrinter* pPrinter, EConfigFlags flags)
{
    try {
        std::unique_ptr<CQuarnPrinter> edited = pPrinter->RunConfigureDialog(flags);
        while (edited) {
            const unsigned refusal = IsPrinterInList(edited.get());
            if (refusal == 0) break;
            AfxMessageBox(refusal, MB_OK);
            // Reopened on the refused attempt, so the user corrects it rather than starting over.
            edited = edited->RunConfigureDialog(flags);
        }
        // Nothing is applied before the attempt is known to be unique, so a cancel at any
        // point leaves the printer exactly as it was, with its port and its thread.
        if (!edited) return false;
        pPrinter->ApplySettings(*edited);
        pPrinter->StartThread();
        m_bModified = true;
        return true;
    } catch (...) {
        // A new printer that never got a port has nothing to release; releasing would needlessly
        // end the scheduler of every other printer's queued downloads.
        if (pPrinter->m_pPort || pPrinter->m_pThread) pPrinter->ReleasePort();
        throw;
    }
}

unsigned CQuarnPrinters::IsPrinterInList(const CQuarnPrinter* pPrinter) const
{
    if (m_mapPrinters.contains(pPrinter->m_strName)) return IDS_NAME_IN_USE;
    const CString port = pPrinter->Port();
    for (const auto& [name, printer] : m_mapPrinters)
        if (EqualsNoCase(printer->Port(), port)) return IDS_PORT_IN_USE;
    return 0;
}
