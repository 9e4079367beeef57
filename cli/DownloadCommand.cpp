#include "DownloadCommand.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "CancelSignal.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "DownloadSession.h"
#include "DownloadWindow.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterLookup.h"
#include "ProgressDisplay.h"

namespace {

// The printers that will get a download, in the list's order: every named one must have a
// file; without names, those that have one.
std::vector<CQuarnPrinterData*> PrintersToDownload(const CQuarnPrinters& printers,
                                                   const std::vector<std::string>& names,
                                                   const std::string& documentPath)
{
    const std::vector<CQuarnPrinterData*> named = PrintersNamed(printers, names, documentPath);
    for (CQuarnPrinterData* printer : named) {
        if (printer->DownloadFile().empty())
            throw CommandError("The printer '" + printer->Name() +
                               "' has no download file. Choose one with 'quarnctl set-file'.");
    }
    std::vector<CQuarnPrinterData*> queued;
    for (CQuarnPrinterData* printer : AllPrinters(printers)) {
        const bool wanted = names.empty() || std::find(named.begin(), named.end(), printer) != named.end();
        if (wanted && !printer->DownloadFile().empty()) queued.push_back(printer);
    }
    if (queued.empty())
        throw CommandError("No printer in " + documentPath +
                           " has a download file. Choose one with 'quarnctl set-file'.");
    return queued;
}

}  // namespace

int DownloadToPrinters(const std::string& documentPath, const std::vector<std::string>& names, int stallTimeout,
                       bool json, ConsoleUserInterface& ui, std::ostream& out)
{
    // Declared before the list, so that both outlive every printer thread that reports to them.
    DownloadWindow window;
    ProgressDisplay display(stderr, ::isatty(STDERR_FILENO) != 0);

    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, &window);
    const std::vector<CQuarnPrinterData*> queued = PrintersToDownload(printers, names, documentPath);
    printers.OverrideStallTimeout(stallTimeout);

    DownloadSession session(printers, window, display, queued);
    {
        // Texts shown by printer threads go above the progress bars while the display exists.
        const ConsoleUserInterface::ScopedSink sink(ui, [&display](const CString& text) { display.Note(text); });
        const CancelSignal signal;
        session.Run(names.empty(), signal);
    }
    display.Clear();
    const bool succeeded = json ? session.WriteJson(out) : session.WriteResults(out);
    std::fprintf(stderr, "%s\n", session.Summary().c_str());
    // The results are final now; ending the printers may still take a calibration's wait.
    out.flush();
    return succeeded ? kExitOk : kExitFailed;
}
