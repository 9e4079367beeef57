// The single-instance lock for commands that talk to printers: two programs sending to one
// printer at once would interleave their bytes.
#pragma once

class CQuarnPrinters;

// Takes the lock for the lifetime of printers; raises a CommandError (exit status 3) when
// another program holds it, and warns on stderr when it cannot be taken for another reason.
void HoldPrinters(CQuarnPrinters& printers);
