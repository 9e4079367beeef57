// Reads a printer-settings document into a printer list and writes it back atomically.
#pragma once

#include <string>

class CQuarnPrinters;
class CWnd;

class PrinterDocument {
public:
    explicit PrinterDocument(std::string path) : m_path(std::move(path)) {}

    bool Exists() const;
    // Loads every printer of the document; a missing, unreadable or damaged document raises
    // a CommandError that names the file.
    void Load(CQuarnPrinters& printers, CWnd* pNotifyWnd) const;
    // Replaces the document with the list in one step: a crash leaves the old document or the
    // new one, never a mix.
    void Save(CQuarnPrinters& printers) const;

    const std::string& Path() const { return m_path; }

private:
    std::string ReadBytes() const;

    std::string m_path;
};
