#include "SettingCommands.h"

#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "ConsoleUserInterface.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterLookup.h"

void SetSerialNumber(const std::string& documentPath, const std::string& name, const std::string& serial)
{
    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, nullptr);
    PrintersNamed(printers, {name}, documentPath).front()->SetSerialNumber(serial);
}

void ResetHeadOdometer(const std::string& documentPath, const std::string& name, ConsoleUserInterface& ui)
{
    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, nullptr);
    CQuarnPrinterData* printer = PrintersNamed(printers, {name}, documentPath).front();

    ui.TakeLastAnswer();
    printer->ResetHeadOdometer();
    switch (ui.TakeLastAnswer()) {
    case ConsoleUserInterface::Answer::Yes:
        return;
    case ConsoleUserInterface::Answer::NoOneToAsk:
        throw CommandError("The head odometer of '" + name +
                               "' was not reset: there is no terminal to ask for confirmation. Give --yes to "
                               "reset it.",
                           kExitFailed);
    default:
        throw CommandError("The head odometer of '" + name + "' was not reset.", kExitFailed);
    }
}
