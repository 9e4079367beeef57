#include "DetectCommand.h"

#include <iostream>
#include <map>

#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterLookup.h"
#include "VisibleText.h"

namespace {

// Detection recognises a printer by its port, ignoring case; so does this comparison.
using NamesByPort = std::map<CString, CString, LessNoCase>;

NamesByPort NamesByPortOf(const CQuarnPrinters& printers)
{
    NamesByPort names;
    for (const CQuarnPrinterData* printer : AllPrinters(printers)) names.emplace(printer->Port(), printer->Name());
    return names;
}

// Printers whose answers the system dropped are missing without any other sign.
void WarnOfLostAnswers(const CNetworkSearchReport& search)
{
    if (!search.searched || search.lostAnswers == 0) return;
    std::cerr << "quarnctl: " << search.lostAnswers << " answers to the network search were lost: they came faster "
              << "than its receive buffer of " << search.receiveBuffer / 1024 << " KiB could hold them. Printers may "
              << "be missing; an administrator can raise net.core.rmem_max (see the README).\n";
}

// A search that could not send or hear would otherwise pass for a network without printers.
bool SayWhySearchFailed(const CNetworkSearchReport& search)
{
    if (search.problem.empty()) return false;
    std::cerr << "quarnctl: the network search could not run: " << search.problem
              << ". No network printer was looked for.\n";
    return true;
}

}  // namespace

int DetectPrinters(const std::string& documentPath, unsigned sources, bool dropDuplicates, std::ostream& out)
{
    PrinterDocument document(documentPath);
    CQuarnPrinters printers;
    HoldPrinters(printers);
    document.HoldForChange(dropDuplicates);
    const bool existed = document.Exists();
    if (existed) document.Load(printers, nullptr);

    const NamesByPort before = NamesByPortOf(printers);
    printers.AutoDetectPrinters(nullptr, sources);
    WarnOfLostAnswers(printers.LastNetworkSearch());
    const bool searchFailed = SayWhySearchFailed(printers.LastNetworkSearch());

    bool changed = false;
    for (const CQuarnPrinterData* printer : AllPrinters(printers)) {
        const auto earlier = before.find(printer->Port());
        if (earlier == before.end()) {
            out << "added\t" << VisibleText(printer->Name()) << '\t' << VisibleText(printer->Port()) << '\n';
        } else if (earlier->second != printer->Name()) {
            // A whole sentence, so that an answer renaming a known printer stands out.
            out << "renamed " << VisibleText(earlier->second) << " to " << VisibleText(printer->Name()) << " at "
                << VisibleText(printer->Port()) << '\n';
        } else {
            continue;
        }
        changed = true;
    }
    if (!changed && !searchFailed) std::cerr << "quarnctl: no new printers were found.\n";
    if (changed || !existed) document.Save(printers);
    return searchFailed ? kExitFailed : kExitOk;
}
