// quarnctl test-page, print-odometers and print-head-history: the named printers print.
#pragma once

#include <string>
#include <vector>

#include "CQuarnPrinterData.h"

class ConsoleUserInterface;

enum class Printout { TestPageQPL, TestPageKPL, Odometers, HeadHistory };

// Sends the printout's command to each named printer in the order given, one after the
// other. Test pages report no errors (a printer that cannot be reached is skipped
// silently); the others show each printer's error, named, and go on with the next.
// Returns the exit status: 1 when an error was shown.
int PrintOnPrinters(const std::string& documentPath, Printout printout, EDisplayUnits units,
                    const std::vector<std::string>& names, ConsoleUserInterface& ui);
