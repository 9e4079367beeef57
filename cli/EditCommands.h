// quarnctl remove and set-file: changes to a printer-settings document.
#pragma once

#include <string>
#include <vector>

void RemovePrinters(const std::string& documentPath, const std::vector<std::string>& names);
// Sets the file of the named printers (all when names is empty); an empty path clears it.
void SetDownloadFile(const std::string& documentPath, const std::string& file, const std::vector<std::string>& names);
