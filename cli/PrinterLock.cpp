#include "PrinterLock.h"

#include <iostream>

#include "CQuarnPrinters.h"
#include "CommandError.h"

void HoldPrinters(CQuarnPrinters& printers)
{
    if (printers.IsAlreadyRunning()) {
        const CString holder = printers.InstanceLockHolder();
        throw CommandError("Another program is driving the printers (it holds the single-instance lock). "
                           "Try again when it has ended." +
                               (holder.empty() ? std::string() : " It is " + holder + "."),
                           kExitHeld);
    }
    if (const CString problem = printers.InstanceLockProblem(); !problem.empty()) {
        std::cerr << "quarnctl: warning: the single-instance lock cannot be taken (" << problem
                  << "); going on without it, so another program may be driving the same printers.\n";
    }
}
