// quarnctl's result and history lines are tab-separated, one per printer or download: what
// they quote from outside (names, ports, paths, printer answers) must neither split a line
// nor drive the terminal.
#pragma once

#include "CString.h"

// Line breaks and tabs as blanks, nothing else changed.
CString Folded(CString text);
// Folded, and made safe to show (see VisibleText).
CString OneLine(const CString& text);
