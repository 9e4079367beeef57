#include "FleetList.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

#include "CArchive.h"
#include "CNetworkPort.h"
#include "CParallelPort.h"
#include "CQuarnPrinter.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "FormulaGuard.h"
#include "PortWords.h"

const std::vector<std::string> kFleetListColumns = {"name",     "kind",     "port",      "tcp_port",
                                                    "model",    "download_file", "calibrate", "baud",
                                                    "data_bits", "parity",  "stop_bits", "flow"};

namespace {

const std::vector<std::string> kSerialColumns = {"baud", "data_bits", "parity", "stop_bits", "flow"};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

const char* ParityWord(std::int32_t parity)
{
    switch (parity) {
    case CSerialPort::NOPARITY: return "none";
    case CSerialPort::ODDPARITY: return "odd";
    case CSerialPort::EVENPARITY: return "even";
    case CSerialPort::MARKPARITY: return "mark";
    case CSerialPort::SPACEPARITY: return "space";
    default: return "unknown";
    }
}

std::string StopBitsWord(std::int32_t stopBits)
{
    switch (stopBits) {
    case CSerialPort::ONESTOPBIT: return "1";
    case CSerialPort::ONE5STOPBITS: return "1.5";
    case CSerialPort::TWOSTOPBITS: return "2";
    default: return "unknown";
    }
}

std::string FlowWord(std::int32_t flow)
{
    switch (flow) {
    case CSerialPort::FLOW_XONXOFF: return "xonxoff";
    case CSerialPort::FLOW_HARDWARE: return "hardware";
    default: return "unknown";
    }
}

std::vector<std::string> RowOf(const CQuarnPrinter& printer)
{
    std::map<std::string, std::string> cells = {
        {"name", printer.m_strName},
        {"kind", PortKindWord(printer.m_pPort)},
        {"port", printer.Port()},
        {"model", printer.m_strModel},
        {"download_file", printer.m_strDownloadFile},
        {"calibrate", printer.m_bCalibrate ? "yes" : "no"},
    };
    if (const auto* network = dynamic_cast<const CNetworkPort*>(printer.m_pPort)) {
        cells["tcp_port"] = std::to_string(network->m_nTcpPort);
    } else if (const auto* serial = dynamic_cast<const CSerialPort*>(printer.m_pPort)) {
        cells["baud"] = std::to_string(serial->m_nBaudRate);
        cells["data_bits"] = std::to_string(serial->m_nDataBits);
        cells["parity"] = ParityWord(serial->m_nParity);
        cells["stop_bits"] = StopBitsWord(serial->m_nStopBits);
        cells["flow"] = FlowWord(serial->m_nFlowControl);
    }
    std::vector<std::string> row;
    for (const std::string& column : kFleetListColumns) row.push_back(GuardFormula(cells[column]));
    return row;
}

// Reads the cells of one row by column name and collects what is wrong with them.
class RowReader {
public:
    RowReader(const CsvRecord& record, const std::map<std::string, std::size_t>& columns,
              std::vector<FleetListProblem>& problems)
        : m_record(record), m_columns(columns), m_problems(problems)
    {
    }

    // The cell as written (absent columns and short rows give an empty cell).
    std::string Text(const std::string& column) const
    {
        const auto it = m_columns.find(column);
        if (it == m_columns.end() || it->second >= m_record.cells.size()) return {};
        return UnguardFormula(m_record.cells[it->second]);
    }
    std::string Word(const std::string& column) const { return Lower(Trimmed(Text(column))); }

    void Problem(const std::string& column, const std::string& text) { m_problems.push_back({m_record.line, column, text}); }

    // The whole number in column, the fallback for an empty cell, or nothing (and a problem).
    std::optional<int> Number(const std::string& column, int fallback)
    {
        const std::string word = Word(column);
        if (word.empty()) return fallback;
        int value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error == std::errc() && end == word.data() + word.size()) return value;
        Problem(column, "'" + Text(column) + "' is not a whole number.");
        return std::nullopt;
    }

    // The word in column among choices, the fallback for an empty cell, or nothing (and a problem).
    std::optional<std::string> Choice(const std::string& column, const std::vector<std::string>& choices,
                                      const std::string& fallback)
    {
        const std::string word = Word(column);
        if (word.empty()) return fallback;
        if (std::find(choices.begin(), choices.end(), word) != choices.end()) return word;
        std::string allowed;
        for (std::size_t i = 0; i < choices.size(); ++i)
            allowed += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + choices[i];
        Problem(column, "'" + Text(column) + "' is not allowed here; use " + allowed + ".");
        return std::nullopt;
    }

    // Settings that do not belong to the row's kind are refused rather than silently dropped.
    void RefuseCells(const std::vector<std::string>& columns, const std::string& kind)
    {
        for (const std::string& column : columns) {
            if (!Trimmed(Text(column)).empty()) Problem(column, "a " + kind + " printer has no " + column + ".");
        }
    }

private:
    const CsvRecord& m_record;
    const std::map<std::string, std::size_t>& m_columns;
    std::vector<FleetListProblem>& m_problems;
};

std::unique_ptr<CPortBase> SerialPortOf(RowReader& row, const std::string& portWord)
{
    SerialLine line;
    bool usable = true;
    if (auto baud = row.Number("baud", line.baud)) {
        if (CSerialPort::IsAllowedBaudRate(*baud))
            line.baud = *baud;
        else
            usable = false, row.Problem("baud", std::to_string(*baud) + " is not a baud rate this port offers.");
    } else {
        usable = false;
    }
    const auto dataBits = row.Choice("data_bits", {"7", "8"}, std::to_string(line.dataBits));
    const auto parity = row.Choice("parity", {"none", "odd", "even"}, line.parity);
    const auto stopBits = row.Choice("stop_bits", {"1", "2"}, std::to_string(line.stopBits));
    const auto flow = row.Choice("flow", {"xonxoff", "hardware"}, line.flow);
    if (!usable || !dataBits || !parity || !stopBits || !flow) return nullptr;
    line.dataBits = std::stoi(*dataBits);
    line.parity = *parity;
    line.stopBits = std::stoi(*stopBits);
    line.flow = *flow;
    return SerialPortFromWords(portWord, line);
}

// The row's port, or null when a problem keeps it from being made (the problem is recorded).
std::unique_ptr<CPortBase> PortOf(RowReader& row)
{
    const auto kind = row.Choice("kind", {"network", "serial", "parallel", "usb"}, "");
    if (!kind) return nullptr;
    if (kind->empty()) {
        row.Problem("kind", "every printer needs its kind: network, serial, parallel or usb.");
        return nullptr;
    }
    const std::string portWord = row.Text("port");
    try {
        if (*kind == "network") {
            row.RefuseCells(kSerialColumns, *kind);
            const auto tcpPort = row.Number("tcp_port", CNetworkPort::kDefaultTcpPort);
            if (!tcpPort) return nullptr;
            if (*tcpPort < 1 || *tcpPort > 65535) {
                row.Problem("tcp_port", "the TCP port must be between 1 and 65535; " + std::to_string(*tcpPort) +
                                            " was given.");
                return nullptr;
            }
            return NetworkPortFromWords(portWord, *tcpPort);
        }
        row.RefuseCells({"tcp_port"}, *kind);
        if (*kind == "serial") return SerialPortOf(row, portWord);
        row.RefuseCells(kSerialColumns, *kind);
        if (*kind == "parallel") return ParallelPortFromWords(portWord);
        return USBPortFromWords(portWord);
    } catch (const PortWordError& e) {
        row.Problem("port", e.what());
        return nullptr;
    }
}

std::optional<std::map<std::string, std::size_t>> HeaderColumns(const CsvRecord& header,
                                                                std::vector<FleetListProblem>& problems)
{
    std::map<std::string, std::size_t> columns;
    const std::size_t before = problems.size();
    for (std::size_t i = 0; i < header.cells.size(); ++i) {
        const std::string name = Lower(Trimmed(UnguardFormula(header.cells[i])));
        if (std::find(kFleetListColumns.begin(), kFleetListColumns.end(), name) == kFleetListColumns.end()) {
            problems.push_back({header.line, "", "'" + header.cells[i] + "' is not a column of a fleet list."});
        } else if (!columns.emplace(name, i).second) {
            problems.push_back({header.line, name, "the column is named twice."});
        }
    }
    for (const char* required : {"kind", "port"}) {
        if (!columns.contains(required))
            problems.push_back({header.line, "", std::string("the header names no '") + required + "' column."});
    }
    if (problems.size() != before) return std::nullopt;
    return columns;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

std::string ExportFleetList(const CQuarnPrinters& printers)
{
    std::string csv = CsvLine(kFleetListColumns);
    for (POSITION pos = printers.GetFirstPrinter(); pos;)
        csv += CsvLine(RowOf(static_cast<const CQuarnPrinter&>(*printers.GetNextPrinter(pos))));
    return csv;
}

std::string FleetListProblem::Describe() const
{
    return "line " + std::to_string(line) + (column.empty() ? "" : ", column " + column) + ": " + text;
}

std::string FleetListRefusal(const std::string& listName, const std::string& documentName,
                             const std::vector<FleetListProblem>& problems)
{
    std::string text = "The fleet list " + listName + " was not imported; " + documentName +
                        " has not been changed. Correct these lines and import it again:";
    for (const FleetListProblem& problem : problems) text += "\n  " + problem.Describe();
    return text;
}

FleetListImport::FleetListImport() = default;
FleetListImport::~FleetListImport() = default;
FleetListImport::FleetListImport(FleetListImport&&) noexcept = default;

FleetListImport ReadFleetList(std::string_view csv, const std::filesystem::path& csvFolder,
                              const CQuarnPrinters& existing)
{
    FleetListImport result;
    CsvTable table;
    try {
        table = ReadCsv(csv);
    } catch (const CsvSyntaxError& e) {
        result.problems.push_back({e.Line(), "", std::string(e.what()) + "."});
        return result;
    }
    if (table.records.empty()) {
        result.problems.push_back({1, "", "the file is empty; a fleet list starts with a header row naming its columns."});
        return result;
    }
    const auto columns = HeaderColumns(table.records.front(), result.problems);
    if (!columns) return result;

    std::map<std::string, std::string> takenNames, takenPorts;  // name or lower-case port -> where
    for (POSITION pos = existing.GetFirstPrinter(); pos;) {
        const CQuarnPrinterData* printer = existing.GetNextPrinter(pos);
        takenNames[printer->Name()] = "a printer in the document";
        takenPorts[Lower(printer->Port())] = "a printer in the document";
    }

    for (std::size_t r = 1; r < table.records.size(); ++r) {
        const CsvRecord& record = table.records[r];
        const std::string here = "the printer on line " + std::to_string(record.line);
        if (record.cells.size() > table.records.front().cells.size()) {
            result.problems.push_back({record.line, "", std::to_string(record.cells.size()) +
                                                            " cells, but the header names only " +
                                                            std::to_string(table.records.front().cells.size()) +
                                                            " columns."});
            continue;
        }
        RowReader row(record, *columns, result.problems);
        auto printer = std::make_unique<CQuarnPrinter>();
        if (columns->contains("name") && !row.Text("name").empty()) printer->m_strName = row.Text("name");
        printer->m_strModel = row.Text("model");
        const std::string file = row.Text("download_file");
        printer->m_strDownloadFile = file.empty() || std::filesystem::path(file).is_absolute()
                                         ? file
                                         : (csvFolder / file).lexically_normal().string();
        const auto calibrate = row.Choice("calibrate", {"yes", "no", "true", "false", "1", "0"}, "yes");
        if (calibrate) printer->m_bCalibrate = *calibrate == "yes" || *calibrate == "true" || *calibrate == "1";

        if (const auto [it, fresh] = takenNames.emplace(printer->m_strName, here); !fresh)
            row.Problem("name", Quoted(printer->m_strName) + " is already the name of " + it->second + ".");
        std::unique_ptr<CPortBase> port = PortOf(row);
        if (!port) continue;
        if (const auto [it, fresh] = takenPorts.emplace(Lower(port->PortName()), here); !fresh)
            row.Problem("port", Quoted(port->PortName()) + " is already the port of " + it->second + ".");
        printer->m_pPort = port.release();
        result.printers.push_back(std::move(printer));
    }
    if (!result.problems.empty()) result.printers.clear();
    return result;
}

void EnterNewPrinters(CQuarnPrinters& printers, const std::vector<CQuarnPrinter*>& records, CWnd* pNotifyWnd)
{
    if (records.empty()) return;
    // A document of just these records is the library's way of taking in finished records
    // without the configuration dialog: loading it gives each printer its thread.
    CArchive stored;
    stored << static_cast<std::int32_t>(records.size());
    for (CQuarnPrinter* record : records) record->Serialize(stored);
    CArchive loading(stored.Buffer());
    printers.Serialize(loading, pNotifyWnd);
    printers.SetModified(true);
}
