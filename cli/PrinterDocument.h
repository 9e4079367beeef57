// A printer-settings document as quarnctl's commands use it: loaded with its faults told to
// the operator, and, for a command that changes it, locked from load to save.
#pragma once

#include <string>

#include "CPrinterDocument.h"

class CQuarnPrinters;
class CWnd;

class PrinterDocument {
public:
    explicit PrinterDocument(std::string path) : m_document(path), m_path(std::move(path)) {}

    // For a command that changes the document: takes the lock beside it, held until this
    // object ends, so that no other program's change falls between this load and save.
    // dropDuplicates allows saving a document whose repeated names dropped printers at load.
    void HoldForChange(bool dropDuplicates);

    bool Exists() const { return m_document.Exists(); }
    // Loads every printer of the document and says on stderr which records a repeated name
    // dropped; a missing, unreadable or damaged document raises a CommandError naming the file.
    void Load(CQuarnPrinters& printers, CWnd* pNotifyWnd);
    // Replaces the document with the list in one step. Refused while printers that a
    // repeated name dropped at load would be lost without the operator's word.
    void Save(CQuarnPrinters& printers);

    const std::string& Path() const { return m_path; }

private:
    CPrinterDocument m_document;
    std::string m_path;
    bool m_bDropDuplicates = false;
};
