// quarnctl add, remove and set-file: changes to a printer-settings document.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct NetworkPrinterRequest {
    std::string address;
    int tcpPort = 9100;
    std::optional<std::string> name;  // the library's default name when absent
    std::string model;
    bool calibrate = true;
};

// Adds a network printer, creating the document when it does not exist; prints its name.
void AddNetworkPrinter(const std::string& documentPath, const NetworkPrinterRequest& request, std::ostream& out);
void RemovePrinters(const std::string& documentPath, const std::vector<std::string>& names);
// Sets the file of the named printers (all when names is empty); an empty path clears it.
void SetDownloadFile(const std::string& documentPath, const std::string& file, const std::vector<std::string>& names);
