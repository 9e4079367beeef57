#include "ListCommand.h"

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "CNetworkPort.h"
#include "CQuarnPrinter.h"
#include "CSerialPort.h"
#include "FleetList.h"
#include "PortColumn.h"
#include "PrinterDocument.h"
#include "PrinterLookup.h"
#include "VisibleText.h"

namespace {

const char* const kNoFileText = "None Selected";
// Shells split lines on runs of tabs, so an empty field would shift the ones after it.
const char* const kNoModelText = "-";

// Bytes that are not UTF-8 go out as text with replacement marks (the dump replaces them) and,
// beside it, exactly as hexadecimal, so that a script loses nothing.
void AddText(nlohmann::json& entry, const std::string& key, const CString& bytes)
{
    entry[key] = bytes;
    if (!IsValidUtf8(bytes)) entry[key + "Hex"] = HexOf(bytes);
}

// The stored model text: asking the printer (Model()) would open its port.
nlohmann::json Describe(const CQuarnPrinter& printer)
{
    nlohmann::json entry = {
        {"kind", PortKindWord(printer.m_pPort)},
        {"calibrate", printer.m_bCalibrate},
    };
    AddText(entry, "name", printer.Name());
    AddText(entry, "model", printer.m_strModel);
    AddText(entry, "port", printer.Port());
    AddText(entry, "display", printer.PortDisplayName());
    AddText(entry, "downloadFile", printer.DownloadFile());
    if (const auto* network = dynamic_cast<const CNetworkPort*>(printer.m_pPort)) {
        entry["tcpPort"] = network->m_nTcpPort;
    } else if (const auto* serial = dynamic_cast<const CSerialPort*>(printer.m_pPort)) {
        entry["baud"] = serial->m_nBaudRate;
        entry["dataBits"] = serial->m_nDataBits;
        entry["parity"] = serial->m_nParity;
        entry["stopBits"] = serial->m_nStopBits;
        entry["flowControl"] = serial->m_nFlowControl;
    }
    return entry;
}

}  // namespace

void ListPrinters(const std::string& documentPath, bool json, std::ostream& out)
{
    CQuarnPrinters printers;
    PrinterDocument(documentPath).Load(printers, nullptr);

    nlohmann::json list = nlohmann::json::array();
    // A person reading the columns gets their names; a script reading them gets data only.
    if (!json && ::isatty(STDOUT_FILENO) == 1) out << "NAME\tMODEL\tPORT\tDOWNLOAD FILE\n";
    for (CQuarnPrinterData* record : AllPrinters(printers)) {
        const auto& printer = static_cast<const CQuarnPrinter&>(*record);
        if (json) {
            list.push_back(Describe(printer));
            continue;
        }
        const CString file = printer.DownloadFile();
        out << VisibleText(printer.Name()) << '\t'
            << (printer.m_strModel.empty() ? kNoModelText : VisibleText(printer.m_strModel)) << '\t'
            << VisibleText(PortColumnText(printer)) << '\t' << (file.empty() ? kNoFileText : VisibleText(file))
            << '\n';
    }
    // Names and paths are bytes; a document may hold text that is not UTF-8.
    if (json) out << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}
