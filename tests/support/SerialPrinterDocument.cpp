#include "SerialPrinterDocument.h"

#include <filesystem>

void SerialPrinterDocument::Add(const std::string& name, const std::string& portName, const Line& line,
                                const std::string& downloadFile, bool calibrate)
{
    m_records << name << CString() << downloadFile << CString("CSerialPort") << std::int32_t{calibrate ? 1 : 0}
              << "/dev/" + portName << line.baud << line.dataBits << line.parity << line.stopBits << line.flow
              << portName;
    ++m_nCount;
}

CMapStringToOb SerialPrinterDocument::LoadInto(CQuarnPrinters& printers, CWnd* window) const
{
    CArchive count;
    count << m_nCount;
    CArchive document(count.Buffer() + m_records.Buffer());
    printers.Serialize(document, window);

    CMapStringToOb loaded;
    for (POSITION pos = printers.GetFirstPrinter(); pos;) {
        CQuarnPrinterData* printer = printers.GetNextPrinter(pos);
        loaded.emplace(printer->Name(), printer);
    }
    return loaded;
}

std::string SerialPrinterDocument::PortNameOf(const std::string& devicePath)
{
    return std::filesystem::path(devicePath).lexically_relative("/dev").string();
}
