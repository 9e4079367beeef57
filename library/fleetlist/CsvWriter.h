// Writes one record of comma-separated text the way the reader and spreadsheets read it back.
#pragma once

#include <string>
#include <vector>

// The cells joined by commas and ended by CR LF; a cell holding a separator (either kind), a
// quote or a line break, or starting with a byte-order mark, is quoted, its quotes doubled.
// Cells are written byte for byte.
std::string CsvLine(const std::vector<std::string>& cells);
