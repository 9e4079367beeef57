#include "EditCommands.h"

#include <filesystem>
#include <unistd.h>

#include "CommandError.h"
#include "PrinterDocument.h"
#include "PrinterLookup.h"

namespace {

std::string AbsoluteFile(const std::string& file)
{
    const std::filesystem::path path = std::filesystem::absolute(file).lexically_normal();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || ::access(path.c_str(), R_OK) != 0)
        throw CommandError("The download file " + path.string() + " does not exist or cannot be read.");
    return path.string();
}

}  // namespace

void RemovePrinters(const std::string& documentPath, const std::vector<std::string>& names, bool dropDuplicates)
{
    PrinterDocument document(documentPath);
    document.HoldForChange(dropDuplicates);
    CQuarnPrinters printers;
    document.Load(printers, nullptr);
    for (CQuarnPrinterData* printer : PrintersNamed(printers, names, documentPath)) printers.DeletePrinter(printer);
    document.Save(printers);
}

void SetDownloadFile(const std::string& documentPath, const std::string& file, const std::vector<std::string>& names,
                     bool dropDuplicates)
{
    const std::string stored = file.empty() ? std::string() : AbsoluteFile(file);
    PrinterDocument document(documentPath);
    document.HoldForChange(dropDuplicates);
    CQuarnPrinters printers;
    document.Load(printers, nullptr);
    const auto targets = names.empty() ? AllPrinters(printers) : PrintersNamed(printers, names, documentPath);
    for (CQuarnPrinterData* printer : targets) printers.SetDownloadFile(printer, stored);
    document.Save(printers);
}
