#include "AddCommand.h"

#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "CommandError.h"
#include "FleetList.h"
#include "PrinterDocument.h"
#include "PrinterLookup.h"
#include "StringTable.h"
#include "VisibleText.h"

namespace {

bool PortInUse(const CQuarnPrinters& printers, const CString& port)
{
    for (CQuarnPrinterData* printer : AllPrinters(printers)) {
        if (EqualsNoCase(printer->Port(), port)) return true;
    }
    return false;
}

}  // namespace

void AddPrinter(const std::string& documentPath, const NewPrinter& request, std::unique_ptr<CPortBase> port,
                bool dropDuplicates, std::ostream& out)
{
    if (request.name && request.name->empty()) throw CommandError("A printer name cannot be empty.");

    PrinterDocument document(documentPath);
    document.HoldForChange(dropDuplicates);
    CQuarnPrinters printers;
    if (document.Exists()) document.Load(printers, nullptr);

    CQuarnPrinter record;
    if (request.name) record.m_strName = *request.name;
    if (PrinterNamed(printers, record.m_strName)) throw CommandError(LoadStringResource(IDS_NAME_IN_USE));
    if (PortInUse(printers, port->PortName())) throw CommandError(LoadStringResource(IDS_PORT_IN_USE));

    record.m_pPort = port.release();
    record.Model(request.model);
    record.m_bCalibrate = request.calibrate;

    EnterNewPrinters(printers, {&record}, nullptr);
    document.Save(printers);
    out << VisibleText(record.m_strName) << '\n';
}
