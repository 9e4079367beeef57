#include "DownloadCommand.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <unistd.h>

#include "CancelSignal.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "DownloadSession.h"
#include "DownloadWindow.h"
#include "JournalOption.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterLookup.h"
#include "ProgressDisplay.h"
#include "Sha256.h"
#include "VisibleText.h"

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

// The SHA-256 of a file as it is now; nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Sha256 hash;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) hash.Update(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::nullopt;
    return hash.FinalHex();
}

// The printers the journal's last outcomes for this document leave to download.
std::vector<CQuarnPrinterData*> ChosenByJournal(const std::vector<CQuarnPrinterData*>& queued,
                                                const DownloadRequest& request, const std::string& document)
{
    if (!request.failedOnly && !request.skipCurrent) return queued;
    const auto last = CDownloadJournal::LastByPrinter(ReadJournal(ChosenJournal(), std::cerr), document);
    std::map<std::string, std::optional<std::string>> hashes;  // one read per file, however many printers share it
    std::vector<CQuarnPrinterData*> chosen;
    for (CQuarnPrinterData* printer : queued) {
        const auto found = last.find(printer->Name());
        const DownloadOutcome* outcome = found == last.end() ? nullptr : &found->second.outcome;
        if (request.failedOnly && (!outcome || outcome->result == DownloadResult::ok)) continue;
        if (request.skipCurrent && outcome && outcome->result == DownloadResult::ok && outcome->sha256) {
            const std::string file = printer->DownloadFile();
            if (!hashes.count(file)) hashes[file] = FileSha256(file);
            if (hashes[file] == outcome->sha256) {
                std::cerr << VisibleText(printer->Name()) << " skipped: already has this file\n";
                continue;
            }
        }
        chosen.push_back(printer);
    }
    return chosen;
}

}  // namespace

int DownloadToPrinters(const DownloadRequest& request, ConsoleUserInterface& ui, std::ostream& out)
{
    const std::string& documentPath = request.document;
    const std::vector<std::string>& names = request.names;
    // Declared before the list, so that both outlive every printer thread that reports to them.
    DownloadWindow window;
    ProgressDisplay display(stderr, ::isatty(STDERR_FILENO) != 0);

    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, &window);
    const std::string document = CDownloadJournal::DocumentPath(documentPath);
    const std::vector<CQuarnPrinterData*> every = PrintersToDownload(printers, names, documentPath);
    const std::vector<CQuarnPrinterData*> queued = ChosenByJournal(every, request, document);
    printers.OverrideStallTimeout(request.stallTimeout);

    DownloadSession session(printers, window, display, queued);
    {
        // Texts shown by printer threads go above the progress bars while the display exists.
        const ConsoleUserInterface::ScopedSink sink(ui, [&display](const CString& text) { display.Note(text); });
        const CancelSignal signal;
        session.Run(names.empty() && queued.size() == every.size(), signal);
    }
    display.Clear();
    const bool succeeded = request.json ? session.WriteJson(out) : session.WriteResults(out);
    std::fprintf(stderr, "%s\n", session.Summary().c_str());
    CDownloadJournal journal = ChosenJournal();
    for (const DownloadOutcome& outcome : session.Outcomes()) {
        if (const auto warning = journal.Append(outcome, "quarnctl", document))
            std::cerr << "quarnctl: warning: " << VisibleText(*warning) << '\n';
    }
    // The results are final now; ending the printers may still take a calibration's wait.
    out.flush();
    return succeeded ? kExitOk : kExitFailed;
}
