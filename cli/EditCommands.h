// quarnctl remove and set-file: changes to a printer-settings document.
#pragma once

#include <string>
#include <vector>

// dropDuplicates: save even when the document's repeated names dropped printers at load.
void RemovePrinters(const std::string& documentPath, const std::vector<std::string>& names, bool dropDuplicates);
// Sets the file of the named printers (all when names is empty); an empty path clears it.
void SetDownloadFile(const std::string& documentPath, const std::string& file, const std::vector<std::string>& names,
                     bool dropDuplicates);
