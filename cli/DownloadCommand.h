// quarnctl download: sends each printer its file and reports the outcome per printer.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ConsoleUserInterface;

struct DownloadRequest {
    std::string document;
    std::vector<std::string> names;  // empty: every printer that has a download file
    int stallTimeout = 0;            // seconds before a printer taking nothing fails; 0: the stored value
    bool json = false;               // one JSON array of the outcomes instead of the result lines
    // Only the printers whose last recorded outcome for this document failed or was cancelled.
    bool failedOnly = false;
    // Not the printers whose last recorded outcome for this document is ok with a file of the
    // same SHA-256 as the one they would get now.
    bool skipCurrent = false;
};

// Downloads as asked, writes the result lines (or the JSON array) to out and a summary line
// to stderr, records every outcome in the journal; returns the exit status.
int DownloadToPrinters(const DownloadRequest& request, ConsoleUserInterface& ui, std::ostream& out);
