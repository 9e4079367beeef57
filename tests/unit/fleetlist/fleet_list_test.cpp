// Fleet lists: rows checked against each other and the document, every problem named with
// its line and column, and a document that goes out and comes back byte for byte.
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CNetworkPort.h"
#include "CQuarnPrinter.h"
#include "CQuarnPrinters.h"
#include "CSerialPort.h"
#include "FleetList.h"

namespace {

std::vector<CQuarnPrinter*> Records(const FleetListImport& import)
{
    std::vector<CQuarnPrinter*> records;
    for (const auto& printer : import.printers) records.push_back(printer.get());
    return records;
}

std::vector<std::string> Problems(const FleetListImport& import)
{
    std::vector<std::string> texts;
    for (const FleetListProblem& problem : import.problems) texts.push_back(problem.Describe());
    return texts;
}

std::string Stored(CQuarnPrinters& printers)
{
    CArchive archive;
    printers.Serialize(archive, nullptr);
    return archive.Buffer();
}

}  // namespace

TEST(FleetList, ReadsColumnsInAnyOrderWithDefaultsForMissingAndEmptyCells)
{
    CQuarnPrinters empty;
    const FleetListImport import = ReadFleetList(
        "\xEF\xBB\xBF" "flow;Port;KIND;baud;download_file;calibrate;tcp_port;name\n"
        ";10.0.0.5;network;;labels/a.prn;no;9101;Dock 1\n"
        "xonxoff;/dev/ttyS3;Serial;19200;/abs/b.prn;;;Dock 2\n"
        ";lp0;parallel;;;1;;\n",
        "/srv/lists", empty);
    ASSERT_EQ(Problems(import), std::vector<std::string>{});
    ASSERT_EQ(import.printers.size(), 3u);

    const CQuarnPrinter& network = *import.printers[0];
    EXPECT_EQ(network.m_strName, "Dock 1");
    EXPECT_EQ(network.m_strDownloadFile, "/srv/lists/labels/a.prn") << "relative to the list's folder";
    EXPECT_FALSE(network.m_bCalibrate);
    ASSERT_NE(dynamic_cast<CNetworkPort*>(network.m_pPort), nullptr);
    EXPECT_EQ(network.Port(), "10.0.0.5");
    EXPECT_EQ(static_cast<CNetworkPort*>(network.m_pPort)->m_nTcpPort, 9101);

    const CQuarnPrinter& serial = *import.printers[1];
    EXPECT_EQ(serial.m_strDownloadFile, "/abs/b.prn");
    EXPECT_TRUE(serial.m_bCalibrate) << "an empty cell takes the default";
    ASSERT_NE(dynamic_cast<CSerialPort*>(serial.m_pPort), nullptr);
    EXPECT_EQ(serial.Port(), "ttyS3");
    const auto* line = static_cast<CSerialPort*>(serial.m_pPort);
    EXPECT_EQ((std::vector<int>{line->m_nBaudRate, line->m_nDataBits, line->m_nParity, line->m_nStopBits,
                                line->m_nFlowControl}),
              (std::vector<int>{19200, 8, CSerialPort::NOPARITY, CSerialPort::ONESTOPBIT, CSerialPort::FLOW_XONXOFF}));

    EXPECT_EQ(PortKindWord(import.printers[2]->m_pPort), std::string("parallel"));
    EXPECT_FALSE(import.printers[2]->m_strName.empty()) << "an unnamed printer gets the library's default name";
}

TEST(FleetList, NamesEveryBadLineAndColumnAndKeepsNoPrinter)
{
    CQuarnPrinters document;
    const FleetListImport existing = ReadFleetList("name,kind,port\nTaken,network,10.0.0.9\n", "/", document);
    EnterNewPrinters(document, Records(existing), nullptr);

    const FleetListImport import = ReadFleetList("name,kind,port,tcp_port,baud,data_bits,parity,calibrate\n"
                                                 "Good,network,10.0.0.1,,,,,\n"
                                                 "A,netwrk,10.0.0.2,,,,,\n"
                                                 "B,network,10.0.0.999,,,,,\n"
                                                 "C,network,10.0.0.3,70000,,,,\n"
                                                 "D,serial,ttyS0,,12345,9,mark,maybe\n"
                                                 "E,network,10.0.0.4,,9600,,,\n"
                                                 "Taken,network,10.0.0.5,,,,,\n"
                                                 "Good,network,10.0.0.9,,,,,\n"
                                                 "F,network,10.0.0.1,,,,,,extra\n"
                                                 "G,usb,,,,,,\n",
                                                 "/", document);
    EXPECT_TRUE(import.printers.empty()) << "all or nothing";
    EXPECT_EQ(Problems(import),
              (std::vector<std::string>{
                  "line 3, column kind: 'netwrk' is not allowed here; use network, serial, parallel or usb.",
                  "line 4, column port: '10.0.0.999' is not a network address such as 192.168.1.20.",
                  "line 5, column tcp_port: the TCP port must be between 1 and 65535; 70000 was given.",
                  "line 6, column calibrate: 'maybe' is not allowed here; use yes, no, true, false, 1 or 0.",
                  "line 6, column baud: 12345 is not a baud rate this port offers.",
                  "line 6, column data_bits: '9' is not allowed here; use 7 or 8.",
                  "line 6, column parity: 'mark' is not allowed here; use none, odd or even.",
                  "line 7, column baud: a network printer has no baud.",
                  "line 8, column name: 'Taken' is already the name of a printer in the document.",
                  "line 9, column name: 'Good' is already the name of the printer on line 2.",
                  "line 9, column port: '10.0.0.9' is already the port of a printer in the document.",
                  "line 10: 9 cells, but the header names only 8 columns.",
                  "line 11, column port: A USB printer needs the device path its driver gives it.",
              }));
    EXPECT_EQ(document.GetPrinterCount(), 1);
}

TEST(FleetList, RefusesAHeaderItCannotUse)
{
    CQuarnPrinters empty;
    EXPECT_EQ(Problems(ReadFleetList("name,kind,kind,adress\n", "/", empty)),
              (std::vector<std::string>{"line 1, column kind: the column is named twice.",
                                        "line 1: 'adress' is not a column of a fleet list.",
                                        "line 1: the header names no 'port' column."}));
    EXPECT_EQ(Problems(ReadFleetList("", "/", empty)),
              std::vector<std::string>{
                  "line 1: the file is empty; a fleet list starts with a header row naming its columns."});
    EXPECT_EQ(Problems(ReadFleetList("kind,port\nnetwork,\"10.0.0.1\n", "/", empty)),
              std::vector<std::string>{"line 2: a quoted cell is never closed."});
}

TEST(FleetList, ExportThenImportIntoAnEmptyDocumentGivesTheSameBytes)
{
    CQuarnPrinters original;
    const FleetListImport made = ReadFleetList(
        "name,kind,port,tcp_port,model,download_file,calibrate,baud,data_bits,parity,stop_bits,flow\n"
        "\"=HYPERLINK(\"\"x\"\")\",network,10.0.0.5,9101,\"QL-3, \"\"wide\"\"\",/labels/a b.prn,no,,,,,\n"
        "'-dash,serial,pts/7,,\"+model\",,yes,115200,7,even,2,xonxoff\n"
        "\"two\nlines;\xff\",parallel,lp1,,@at,,,,,,,\n"
        "usb one,usb,/dev/usb/lp0,,,\"/path/with,comma\",,,,,,\n",
        "/", original);
    ASSERT_EQ(Problems(made), std::vector<std::string>{});
    EnterNewPrinters(original, Records(made), nullptr);
    ASSERT_EQ(original.GetPrinterCount(), 4);
    EXPECT_TRUE(original.IsModified());

    const std::string csv = ExportFleetList(original);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "name,kind,port,tcp_port,model,download_file,calibrate,baud,data_bits,parity,stop_bits,flow");
    EXPECT_NE(csv.find("\"'=HYPERLINK(\"\"x\"\")\",network"), std::string::npos) << csv;

    CQuarnPrinters copy;
    const FleetListImport back = ReadFleetList(csv, "/elsewhere", copy);
    ASSERT_EQ(Problems(back), std::vector<std::string>{});
    EnterNewPrinters(copy, Records(back), nullptr);
    EXPECT_EQ(Stored(copy), Stored(original));
    EXPECT_EQ(ExportFleetList(copy), csv);
}
