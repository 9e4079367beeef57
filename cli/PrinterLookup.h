// Finding printers of a list by name, as the commands name them.
#pragma once

#include <string>
#include <vector>

#include "CQuarnPrinters.h"

// Every printer, in the list's order.
std::vector<CQuarnPrinterData*> AllPrinters(const CQuarnPrinters& printers);
// The printer called name exactly, or null.
CQuarnPrinterData* PrinterNamed(const CQuarnPrinters& printers, const CString& name);
// The printers called names, each once, in the order given; a name not in the list raises a
// CommandError that names the document.
std::vector<CQuarnPrinterData*> PrintersNamed(const CQuarnPrinters& printers, const std::vector<std::string>& names,
                                              const std::string& documentPath);
