#include "PrinterDocument.h"

#include <filesystem>
#include <iostream>

#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "VisibleText.h"

namespace {

// The text of a library error, for the operator.
std::string ExceptionText(CException* e)
{
    if (auto* printerError = dynamic_cast<CQuarnPrinterException*>(e)) return printerError->Message();
    CString text;
    return e->GetErrorMessage(text) ? text : "it cannot be read";
}

}  // namespace

void PrinterDocument::HoldForChange(bool dropDuplicates)
{
    m_bDropDuplicates = dropDuplicates;
    try {
        m_document.Lock();
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        throw CommandError(ExceptionText(e), kExitUsage);
    }
}

void PrinterDocument::Load(CQuarnPrinters& printers, CWnd* pNotifyWnd)
{
    if (!m_document.Exists()) {
        const std::filesystem::path folder = std::filesystem::absolute(m_path).parent_path();
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error))
            throw CommandError("The folder " + folder.string() + " of the printer settings document " + m_path +
                               " does not exist.");
        throw CommandError("The printer settings document " + m_path +
                           " does not exist. Check the name, or create it with 'quarnctl add " + m_path +
                           " --network ADDRESS'.");
    }
    try {
        m_document.Load(printers, pNotifyWnd);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        const std::string hint = " It has not been changed; restore it from a copy, or choose another document.";
        // The file's own faults name the file already.
        if (dynamic_cast<CDocumentFileException*>(e)) throw CommandError(ExceptionText(e) + hint);
        throw CommandError("The printer settings document " + m_path + " cannot be used: " + ExceptionText(e) + hint);
    }
    std::cerr << VisibleLines(DescribeDroppedDuplicates(printers));
}

void PrinterDocument::Save(CQuarnPrinters& printers)
{
    if (!printers.DroppedDuplicates().empty() && !m_bDropDuplicates) {
        throw CommandError("The printer settings document " + m_path +
                           " repeats printer names, so saving it would drop the printers named above. Nothing "
                           "has been changed; give --drop-duplicates to save it without them.");
    }
    try {
        m_document.Save(printers);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        throw CommandError(ExceptionText(e));
    }
}
