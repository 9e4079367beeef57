// The text of a printer's Port column in the programs' lists.
#pragma once

#include "CString.h"

class CQuarnPrinterData;

// The port's display name, with ":PORT" after a network printer's address when its TCP port
// is not the usual 9100, so that two printers behind one address can be told apart.
CString PortColumnText(const CQuarnPrinterData& printer);
