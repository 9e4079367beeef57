#include "CsvWriter.h"

namespace {

std::string Cell(const std::string& text)
{
    // Semicolons too: a reader set to the other separator must not split the cell. A cell that
    // starts with a byte-order mark would lose it at the start of a file.
    if (text.find_first_of(",;\"\r\n") == std::string::npos && !text.starts_with("\xEF\xBB\xBF")) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

std::string CsvLine(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += ',';
        line += Cell(cells[i]);
    }
    return line + "\r\n";
}
