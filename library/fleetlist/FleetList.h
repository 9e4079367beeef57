// Fleet lists: the printers of a document as a CSV file that spreadsheets open, one printer
// per row, and the checked way back into a document.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "PortKindWord.h"

class CPortBase;
class CQuarnPrinter;
class CQuarnPrinters;
class CWnd;

// The columns, in the order export writes them; import takes them in any order.
extern const std::vector<std::string> kFleetListColumns;


// The header and one row per printer, in the list's order.
std::string ExportFleetList(const CQuarnPrinters& printers);

// Something that keeps a fleet list out: where it is and what is wrong.
struct FleetListProblem {
    int line = 0;
    std::string column;  // empty when the whole line is wrong
    std::string text;
    std::string Describe() const;  // "line 4, column kind: ..."
};

// The refusal of a whole list, every problem on a line of its own, for either front end.
std::string FleetListRefusal(const std::string& listName, const std::string& documentName,
                             const std::vector<FleetListProblem>& problems);

struct FleetListImport {
    std::vector<std::unique_ptr<CQuarnPrinter>> printers;  // ready to enter; no thread, port closed
    std::vector<FleetListProblem> problems;                // every one found; none when it may be entered
    FleetListImport();
    ~FleetListImport();
    FleetListImport(FleetListImport&&) noexcept;
};

// Checks every row of csv against itself and against the printers already in the list. A
// relative download file is taken relative to csvFolder (absolute) and stored absolute.
FleetListImport ReadFleetList(std::string_view csv, const std::filesystem::path& csvFolder,
                              const CQuarnPrinters& existing);

// Enters finished records into the list as a loaded document would, so that each gets its
// thread and its notify window; marks the list modified when there was any.
void EnterNewPrinters(CQuarnPrinters& printers, const std::vector<CQuarnPrinter*>& records, CWnd* pNotifyWnd);
