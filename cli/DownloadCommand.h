// quarnctl download: sends each printer its file and reports the outcome per printer.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ConsoleUserInterface;

// Downloads to the named printers (all when names is empty) that have a download file, with
// stallTimeout seconds (0: the stored value) before a printer taking nothing fails; returns
// the exit status.
int DownloadToPrinters(const std::string& documentPath, const std::vector<std::string>& names, int stallTimeout,
                       ConsoleUserInterface& ui, std::ostream& out);
