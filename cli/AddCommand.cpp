#include "AddCommand.h"

#include "CArchive.h"
#include "CPortBase.h"
#include "CQuarnPrinter.h"
#include "CommandError.h"
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

// A one-printer document is the library's way of taking in a finished record without the
// configuration dialog: loading it gives the printer its thread and its place in the list.
void EnterThroughDocument(CQuarnPrinters& printers, CQuarnPrinter& record)
{
    CArchive stored;
    stored << std::int32_t{1};
    record.Serialize(stored);
    CArchive loading(stored.Buffer());
    printers.Serialize(loading, nullptr);
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

    EnterThroughDocument(printers, record);
    document.Save(printers);
    out << VisibleText(record.m_strName) << '\n';
}
