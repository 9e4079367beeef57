#include "QueryCommand.h"

#include <iostream>

#include "CQuarnPrinters.h"
#include "CommandError.h"
#include "PrinterDocument.h"
#include "PrinterLock.h"
#include "PrinterCommands.h"
#include "PrinterLookup.h"
#include "StringTable.h"
#include "VisibleText.h"

namespace {

int Silent(const CString& name)
{
    std::cerr << "quarnctl: the printer '" << VisibleText(name) << "' did not answer.\n";
    return kExitFailed;
}

int PrintText(const CString& name, const CString& text, std::ostream& out)
{
    if (text.empty()) return Silent(name);
    // A printer's answer is shown, never obeyed by the terminal.
    out << VisibleLines(text);
    if (text.back() != '\n') out << '\n';
    return kExitOk;
}

}  // namespace

int AskPrinter(const std::string& documentPath, const std::string& name, Question question, EDisplayUnits units,
               std::ostream& out)
{
    CQuarnPrinters printers;
    HoldPrinters(printers);
    PrinterDocument(documentPath).Load(printers, nullptr);
    const CQuarnPrinterData& printer = *PrintersNamed(printers, {name}, documentPath).front();

    // Asked before the port is touched, so that "N/A" is the same text for every question.
    if (!printer.IsBidirectional()) {
        out << LoadStringResource(IDS_NOT_AVAILABLE) << '\n';
        return kExitOk;
    }
    switch (question) {
    case Question::SerialNumber:
        return PrintText(name, printer.SerialNumber(), out);
    case Question::HeadHistory:
        return PrintText(name, printer.HeadHistory(units), out);
    case Question::Odometers:
        break;
    }
    const CString answer = printer.OdometerAnswer(units);
    if (answer.empty()) {
        out << "-1\t-1\n";
        return Silent(name);
    }
    // The library reads a missing number as 0; a 0 the printer never sent must not pass for
    // a worn-out head's reading.
    if (!PrinterCommands::OdometerAnswerHasBothNumbers(answer)) {
        std::cerr << "quarnctl: the printer '" << VisibleText(name) << "' gave no number in the answer: \""
                  << VisibleText(answer) << "\"\n";
        return kExitFailed;
    }
    int first = -1;
    int second = -1;
    PrinterCommands::ParseOdometers(answer, first, second);
    out << first << '\t' << second << '\n';
    return kExitOk;
}
