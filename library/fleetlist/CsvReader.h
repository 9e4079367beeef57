// Reads comma-separated text as spreadsheets write it: quoted cells that may hold separators,
// quotes and line breaks, a byte-order mark, and a comma or a semicolon as separator.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct CsvRecord {
    int line = 0;  // the line the record starts on, counting from 1
    std::vector<std::string> cells;
};

struct CsvTable {
    char separator = ',';
    std::vector<CsvRecord> records;  // blank lines are left out
};

class CsvSyntaxError : public std::runtime_error {
public:
    CsvSyntaxError(int line, const std::string& what) : std::runtime_error(what), m_line(line) {}
    int Line() const { return m_line; }

private:
    int m_line;
};

// The separator is the one of the two that the first record uses more (a comma on a tie).
// A quote left open, or text after a closing quote, raises CsvSyntaxError.
CsvTable ReadCsv(std::string_view text);
