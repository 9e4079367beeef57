#include "PrinterLookup.h"

#include <algorithm>

#include "CommandError.h"

std::vector<CQuarnPrinterData*> AllPrinters(const CQuarnPrinters& printers)
{
    std::vector<CQuarnPrinterData*> all;
    for (POSITION pos = printers.GetFirstPrinter(); pos;) all.push_back(printers.GetNextPrinter(pos));
    return all;
}

CQuarnPrinterData* PrinterNamed(const CQuarnPrinters& printers, const CString& name)
{
    for (CQuarnPrinterData* printer : AllPrinters(printers)) {
        if (printer->Name() == name) return printer;
    }
    return nullptr;
}

std::vector<CQuarnPrinterData*> PrintersNamed(const CQuarnPrinters& printers, const std::vector<std::string>& names,
                                              const std::string& documentPath)
{
    std::vector<CQuarnPrinterData*> found;
    for (const std::string& name : names) {
        CQuarnPrinterData* printer = PrinterNamed(printers, name);
        if (!printer) throw CommandError("There is no printer named '" + name + "' in " + documentPath + ".");
        if (std::find(found.begin(), found.end(), printer) == found.end()) found.push_back(printer);
    }
    return found;
}
