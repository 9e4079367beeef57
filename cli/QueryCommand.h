// quarnctl query: a question put to one printer, its answer on stdout.
#pragma once

#include <ostream>
#include <string>

#include "CQuarnPrinterData.h"

enum class Question { SerialNumber, Odometers, HeadHistory };

// Prints the answer: "N/A" for printers that cannot answer (parallel and network); the two
// odometer values on one line, -1 for one that is not known. A printer that says nothing
// gets a message on stderr and exit status 1. Returns the exit status.
int AskPrinter(const std::string& documentPath, const std::string& name, Question question, EDisplayUnits units,
               std::ostream& out);
