#include "FormulaGuard.h"

#include <string_view>

namespace {

bool NeedsGuard(std::string_view cell)
{
    while (!cell.empty() && cell.front() == '\'') cell.remove_prefix(1);
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

}  // namespace

std::string GuardFormula(const std::string& cell)
{
    return NeedsGuard(cell) ? "'" + cell : cell;
}

std::string UnguardFormula(const std::string& cell)
{
    return !cell.empty() && cell.front() == '\'' && NeedsGuard(std::string_view(cell).substr(1)) ? cell.substr(1)
                                                                                                 : cell;
}
