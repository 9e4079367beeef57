#include "FleetListCommands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CQuarnPrinter.h"
#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "FleetList.h"
#include "PrinterDocument.h"
#include "VisibleText.h"

namespace {

// Larger than any fleet; a bigger file is a wrong file.
constexpr std::uintmax_t kMaxFleetListBytes = 64u << 20;

std::string ReadFleetListFile(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw CommandError("The fleet list " + path + " does not exist or is not a file.");
    if (std::filesystem::file_size(path, error) > kMaxFleetListBytes)
        throw CommandError("The fleet list " + path + " is larger than 64 MiB; it is not a fleet list.");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) throw CommandError("The fleet list " + path + " cannot be read: " + std::strerror(errno) + ".");
    return bytes.str();
}

}  // namespace

void ImportPrinters(const std::string& documentPath, const std::string& csvPath, bool dryRun, bool dropDuplicates,
                    std::ostream& out)
{
    const std::string csv = ReadFleetListFile(csvPath);
    PrinterDocument document(documentPath);
    if (!dryRun) document.HoldForChange(dropDuplicates);
    CQuarnPrinters printers;
    if (document.Exists()) document.Load(printers, nullptr);

    const std::filesystem::path folder = std::filesystem::absolute(csvPath).parent_path();
    FleetListImport import = ReadFleetList(csv, folder, printers);
    if (!import.problems.empty()) throw CommandError(FleetListRefusal(csvPath, documentPath, import.problems));
    std::vector<CQuarnPrinter*> records;
    for (const auto& printer : import.printers) {
        records.push_back(printer.get());
        out << VisibleText(printer->m_strName) << '\n';
    }
    if (dryRun) {
        out << "Dry run: " << records.size() << " printers can be imported; " << documentPath
            << " has not been changed.\n";
        return;
    }
    EnterNewPrinters(printers, records, nullptr);
    document.Save(printers);
}

void ExportPrinters(const std::string& documentPath, const std::string& outputPath, std::ostream& out)
{
    CQuarnPrinters printers;
    PrinterDocument(documentPath).Load(printers, nullptr);
    const std::string csv = ExportFleetList(printers);
    if (outputPath.empty()) {
        out << csv;
        return;
    }
    std::ofstream file(outputPath, std::ios::binary | std::ios::trunc);
    file << csv;
    file.close();
    if (!file) throw CommandError("The fleet list " + outputPath + " could not be written: " + std::strerror(errno) + ".");
}
