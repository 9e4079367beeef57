// Printer questions, settings and test pages: the record's and the collection's share.
#include <algorithm>

#include "CPortBase.h"
#include "CPortSession.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "IUserInterface.h"
#include "PortIO.h"
#include "PrinterCommands.h"
#include "PrinterErrors.h"
#include "StringTable.h"

namespace {

CPortBase& PortOf(const CQuarnPrinterData& printer)
{
    if (!printer.m_pPort) ThrowPrinterError(errPortUnavailable);
    return *printer.m_pPort;
}

// One read of at most the answer buffer's size; the answer ends at its first zero byte.
CString ReadAnswer(CPortBase& port)
{
    char buffer[PrinterCommands::kAnswerBufferSize + 1] = {};
    std::uint32_t read = 0;
    port.Read(buffer, PrinterCommands::kAnswerBufferSize, &read);
    CString answer(buffer, read);
    answer.resize(std::min(answer.find('\0'), answer.size()));
    return answer;
}

CString Ask(CPortBase& port, const CString& question)
{
    CPortSession session(port);
    WriteAll(port, question);
    return ReadAnswer(port);
}

void Send(CPortBase& port, const CString& command)
{
    CPortSession session(port);
    WriteAll(port, command);
}

}  // namespace

CString CQuarnPrinterData::SerialNumber() const
{
    if (!IsBidirectional()) return LoadStringResource(IDS_NOT_AVAILABLE);
    CPortBase& port = PortOf(*this);
    CString answer = Ask(port, PrinterCommands::kAskSerialNumber);
    // Some printers drop the first question after their port opens; one more try.
    if (answer.empty()) answer = Ask(port, PrinterCommands::kAskSerialNumber);
    return PrinterCommands::FirstLine(answer);
}

CString CQuarnPrinterData::HeadHistory(EDisplayUnits units) const
{
    if (!IsBidirectional()) return LoadStringResource(IDS_NOT_AVAILABLE);
    return Ask(PortOf(*this), PrinterCommands::AskHeadHistory(units));
}

void CQuarnPrinterData::Odometers(int& first, int& second, EDisplayUnits units) const
{
    PrinterCommands::ParseOdometers(OdometerAnswer(units), first, second);
}

CString CQuarnPrinterData::OdometerAnswer(EDisplayUnits units) const
{
    if (!IsBidirectional()) return CString();
    return Ask(PortOf(*this), PrinterCommands::AskOdometers(units));
}

void CQuarnPrinterData::ResetHeadOdometer()
{
    if (AfxMessageBox(IDS_RESET_HEAD_ODOMETER, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    Send(PortOf(*this), PrinterCommands::kResetHeadOdometer);
}

void CQuarnPrinterData::SetSerialNumber(const CString& serial)
{
    const auto command = PrinterCommands::SetSerialNumberCommand(serial);
    if (!command)
        throw new CQuarnPrinterException(
            errInvalidParameter,
            "The serial number is too long for the printer's command: at most 64 characters fit, and each "
            "backslash or double quote counts twice. Nothing was sent.");
    Send(PortOf(*this), *command);
}

void CQuarnPrinter::PrintTestPageQPL()
{
    SendIgnoringErrors(PrinterCommands::kTestPageQPL);
}

void CQuarnPrinter::PrintTestPageKPL()
{
    SendIgnoringErrors(PrinterCommands::kTestPageKPL);
}

void CQuarnPrinter::SendIgnoringErrors(const CString& command)
{
    // A test page that cannot be printed is not worth a message: the operator sees the
    // missing page, and the next printer of the selection must still get its own.
    try {
        Send(PortOf(*this), command);
    } catch (CQuarnPrinterException* e) {
        e->Delete();
    }
}

void CQuarnPrinter::PrintOdometers(EDisplayUnits units) { Send(PortOf(*this), PrinterCommands::PrintOdometers(units)); }

void CQuarnPrinter::PrintHeadHistory(EDisplayUnits units)
{
    Send(PortOf(*this), PrinterCommands::PrintHeadHistory(units));
}

namespace {

// Runs one printer operation for every record of a selection, in the selection's order;
// a printer error is shown and the next printer follows.
template <class Operation>
void ForEachSelected(const CMapStringToOb& selection, Operation operation)
{
    for (const auto& [name, record] : selection) {
        try {
            operation(*static_cast<CQuarnPrinter*>(record));
        } catch (CQuarnPrinterException* e) {
            CExceptionHolder<CQuarnPrinterException> holder(e);
            e->ReportError(MB_OK, 0);
        }
    }
}

}  // namespace

void CQuarnPrinters::PrintTestPageQPL(const CMapStringToOb& selection) const
{
    ForEachSelected(selection, [](CQuarnPrinter& printer) { printer.PrintTestPageQPL(); });
}

void CQuarnPrinters::PrintTestPageKPL(const CMapStringToOb& selection) const
{
    ForEachSelected(selection, [](CQuarnPrinter& printer) { printer.PrintTestPageKPL(); });
}

void CQuarnPrinters::PrintOdometers(const CMapStringToOb& selection, EDisplayUnits units) const
{
    ForEachSelected(selection, [units](CQuarnPrinter& printer) { printer.PrintOdometers(units); });
}

void CQuarnPrinters::PrintHeadHistory(const CMapStringToOb& selection, EDisplayUnits units) const
{
    ForEachSelected(selection, [units](CQuarnPrinter& printer) { printer.PrintHeadHistory(units); });
}
