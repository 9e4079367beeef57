#include "PrinterLock.h"

#include "CQuarnPrinters.h"
#include "CommandError.h"

void HoldPrinters(CQuarnPrinters& printers)
{
    if (printers.IsAlreadyRunning()) {
        throw CommandError("Another program is driving the printers (it holds the single-instance lock). "
                           "Try again when it has ended.",
                           kExitFailed);
    }
}
