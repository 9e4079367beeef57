// A printer-settings document of serial printers, loaded into a printer list the way a saved
// list comes back, so tests drive serial printers through the list without a dialog.
#pragma once

#include <cstdint>
#include <string>

#include "CArchive.h"
#include "CQuarnPrinters.h"

// The five stored line settings of a serial printer, in the codes the document holds.
struct SerialLine {
    std::int32_t baud = 9600;
    std::int32_t dataBits = 8;
    std::int32_t parity = 0;    // 0 none, 1 odd, 2 even
    std::int32_t stopBits = 0;  // 0 one, 2 two
    std::int32_t flow = 2;      // 1 software, 2 hardware
};

class SerialPrinterDocument {
public:
    using Line = SerialLine;

    // A printer on the serial port whose device is "/dev/" + portName (e.g. "pts/7").
    void Add(const std::string& name, const std::string& portName, const Line& line = {},
             const std::string& downloadFile = {}, bool calibrate = false);

    // Loads every printer added, reporting to window; then every printer of the list by
    // name, usable as a selection.
    CMapStringToOb LoadInto(CQuarnPrinters& printers, CWnd* window) const;

    // The port name that makes "/dev/" + name the given device path ("/dev/pts/7" gives "pts/7").
    static std::string PortNameOf(const std::string& devicePath);

private:
    std::int32_t m_nCount = 0;
    CArchive m_records;
};
