// Keeps spreadsheet cells that would run as formulas as text, reversibly.
#pragma once

#include <string>

// A cell starting with = + - @ (or tab or CR, which some spreadsheets skip before one) gets a
// leading apostrophe, the spreadsheets' own mark for text; so does a cell that is such a
// guarded text already, so that reading back gives the exact cell.
std::string GuardFormula(const std::string& cell);
// Undoes GuardFormula; any other cell is returned as it stands.
std::string UnguardFormula(const std::string& cell);
