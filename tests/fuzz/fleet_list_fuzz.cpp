// A fleet list comes from whatever a spreadsheet or a person wrote: reading it must never
// crash, every record the reader returns must come back cell for cell once written, and a
// list is either refused with problems or gives printers, never both.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CQuarnPrinters.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "FleetList.h"

namespace {

void CheckRewrittenRecords(std::string_view text)
{
    CsvTable table;
    try {
        table = ReadCsv(text);
    } catch (const CsvSyntaxError& e) {
        if (e.Line() < 1) __builtin_trap();
        return;
    }
    std::string written;
    for (const CsvRecord& record : table.records) {
        if (record.line < 1 || record.cells.empty()) __builtin_trap();
        written += CsvLine(record.cells);
    }
    const CsvTable again = ReadCsv(written);
    if (again.records.size() != table.records.size()) __builtin_trap();
    for (std::size_t i = 0; i < table.records.size(); ++i) {
        if (again.records[i].cells != table.records[i].cells) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckRewrittenRecords(text);

    static CQuarnPrinters* const document = new CQuarnPrinters;
    const FleetListImport import = ReadFleetList(text, "/fleet", *document);
    if (!import.problems.empty() && !import.printers.empty()) __builtin_trap();
    for (const FleetListProblem& problem : import.problems) {
        if (problem.line < 1 || problem.text.empty()) __builtin_trap();
    }
    return 0;
}
