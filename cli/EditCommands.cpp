#include "EditCommands.h"

#include <arpa/inet.h>
#include <filesystem>
#include <unistd.h>

#include "CArchive.h"
#include "CNetworkPort.h"
#include "CQuarnPrinter.h"
#include "CommandError.h"
#include "PrinterDocument.h"
#include "PrinterLookup.h"
#include "StringTable.h"

namespace {

bool IsDottedAddress(const std::string& address)
{
    in_addr parsed{};
    return inet_pton(AF_INET, address.c_str(), &parsed) == 1;
}

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

std::string AbsoluteFile(const std::string& file)
{
    const std::filesystem::path path = std::filesystem::absolute(file).lexically_normal();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || ::access(path.c_str(), R_OK) != 0)
        throw CommandError("The download file " + path.string() + " does not exist or cannot be read.");
    return path.string();
}

}  // namespace

void AddNetworkPrinter(const std::string& documentPath, const NetworkPrinterRequest& request, std::ostream& out)
{
    if (!IsDottedAddress(request.address))
        throw CommandError("'" + request.address + "' is not a network address such as 192.168.1.20.");
    if (request.name && request.name->empty()) throw CommandError("A printer name cannot be empty.");

    const PrinterDocument document(documentPath);
    CQuarnPrinters printers;
    if (document.Exists()) document.Load(printers, nullptr);

    CQuarnPrinter record;
    if (request.name) record.m_strName = *request.name;
    if (PrinterNamed(printers, record.m_strName)) throw CommandError(LoadStringResource(IDS_NAME_IN_USE));
    if (PortInUse(printers, request.address)) throw CommandError(LoadStringResource(IDS_PORT_IN_USE));

    auto* port = new CNetworkPort;
    record.m_pPort = port;
    port->SetPortName(request.address);
    port->m_nTcpPort = request.tcpPort;
    record.Model(request.model);
    record.m_bCalibrate = request.calibrate;

    EnterThroughDocument(printers, record);
    document.Save(printers);
    out << record.m_strName << '\n';
}

void RemovePrinters(const std::string& documentPath, const std::vector<std::string>& names)
{
    const PrinterDocument document(documentPath);
    CQuarnPrinters printers;
    document.Load(printers, nullptr);
    for (CQuarnPrinterData* printer : PrintersNamed(printers, names, documentPath)) printers.DeletePrinter(printer);
    document.Save(printers);
}

void SetDownloadFile(const std::string& documentPath, const std::string& file, const std::vector<std::string>& names)
{
    const std::string stored = file.empty() ? std::string() : AbsoluteFile(file);
    const PrinterDocument document(documentPath);
    CQuarnPrinters printers;
    document.Load(printers, nullptr);
    const auto targets = names.empty() ? AllPrinters(printers) : PrintersNamed(printers, names, documentPath);
    for (CQuarnPrinterData* printer : targets) printers.SetDownloadFile(printer, stored);
    document.Save(printers);
}
