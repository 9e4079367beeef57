#include "PrintCommands.h"

#include <cstdio>

#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterLookup.h"

namespace {

void Print(const CQuarnPrinters& printers, Printout printout, EDisplayUnits units, const CMapStringToOb& selection)
{
    switch (printout) {
    case Printout::TestPageQPL:
        printers.PrintTestPageQPL(selection);
        break;
    case Printout::TestPageKPL:
        printers.PrintTestPageKPL(selection);
        break;
    case Printout::Odometers:
        printers.PrintOdometers(selection, units);
        break;
    case Printout::HeadHistory:
        printers.PrintHeadHistory(selection, units);
        break;
    }
}

}  // namespace

int PrintOnPrinters(const std::string& documentPath, Printout printout, EDisplayUnits units,
                    const std::vector<std::string>& names, ConsoleUserInterface& ui)
{
    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, nullptr);

    bool failed = false;
    // One printer per call: the order is the operator's, and the library's message for a
    // printer can be prefixed with its name.
    for (CQuarnPrinterData* printer : PrintersNamed(printers, names, documentPath)) {
        const CString name = printer->Name();
        const ConsoleUserInterface::ScopedSink sink(ui, [&failed, &name](const CString& text) {
            std::fprintf(stderr, "quarnctl: %s: %s\n", name.c_str(), text.c_str());
            failed = true;
        });
        Print(printers, printout, units, CMapStringToOb{{name, printer}});
    }
    return failed ? kExitFailed : kExitOk;
}
