// quarnctl download: sends each printer its file and reports the outcome per printer.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ConsoleUserInterface;

// Downloads to the named printers (all when names is empty) that have a download file;
// returns the exit status.
int DownloadToPrinters(const std::string& documentPath, const std::vector<std::string>& names,
                       ConsoleUserInterface& ui, std::ostream& out);
