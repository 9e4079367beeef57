// Sending a whole short command through a port.
#pragma once

#include "CPortBase.h"

// Writes every byte of command to an open port. A port that takes fewer bytes than offered
// gets the rest again after a 10 ms pause, so a printer holding its line back never
// receives half a command; one that takes nothing for noProgressLimitMs raises code 12.
void WriteAll(CPortBase& port, const CString& command, unsigned noProgressLimitMs = 5000);
