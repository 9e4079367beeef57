// quarnctl add: a printer of any port kind entered into a printer-settings document.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

class CPortBase;

// What a new printer has besides its port.
struct NewPrinter {
    std::optional<std::string> name;  // the library's default name when absent
    std::string model;
    bool calibrate = true;
};

// Adds the printer on port, creating the document when it does not exist; prints its name.
// A name or a port (ignoring case) that another printer has is refused.
// dropDuplicates: save even when the document's repeated names dropped printers at load.
void AddPrinter(const std::string& documentPath, const NewPrinter& request, std::unique_ptr<CPortBase> port,
                bool dropDuplicates, std::ostream& out);
