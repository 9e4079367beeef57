// quarnctl download: sends each printer its file and reports the outcome per printer.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ConsoleUserInterface;

// Downloads to the named printers (all when names is empty) that have a download file, with
// stallTimeout seconds (0: the stored value) before a printer taking nothing fails; writes
// the result lines, or with json one JSON array of the outcomes, to out and a summary line to
// stderr; returns the exit status.
int DownloadToPrinters(const std::string& documentPath, const std::vector<std::string>& names, int stallTimeout,
                       bool json, ConsoleUserInterface& ui, std::ostream& out);
