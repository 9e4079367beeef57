// quarnctl import and export: a document's printers from and to a CSV fleet list.
#pragma once

#include <ostream>
#include <string>

// Adds every printer of the CSV file, or none: any bad row raises a CommandError (exit
// status 2) that names every bad line. A dry run checks and reports without saving.
// Prints the names added (or that would be added). dropDuplicates as for every changing command.
void ImportPrinters(const std::string& documentPath, const std::string& csvPath, bool dryRun, bool dropDuplicates,
                    std::ostream& out);

// Writes the fleet list of the document to outputPath, or to out when it is empty.
void ExportPrinters(const std::string& documentPath, const std::string& outputPath, std::ostream& out);
