// A downloader as a test runs it: its own settings and lock folders, a scripted user
// interface, printer-settings documents written byte for byte, and the real main window.
#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CFirmwareDownloaderApp.h"
#include "ScopedEnvironment.h"
#include "ScriptedUserInterface.h"
#include "TemporaryFolder.h"

class CFirmwareDownloaderDoc;
class CFirmwareDownloaderView;
class CMainFrame;
class CQuarnPrinters;
class QAction;

struct NetworkPrinterRow {
    std::string name;
    std::string address;
    int tcpPort = 9100;
    std::string file;
    std::string model = "Test printer";
    bool calibrate = false;
};

class DownloaderFixture {
public:
    DownloaderFixture();
    ~DownloaderFixture();

    // Writes a printer-settings document of network printers under the test's folder.
    std::filesystem::path WriteDocument(const std::string& name, const std::vector<NetworkPrinterRow>& printers) const;
    // A file of size bytes under the test's folder.
    std::filesystem::path WriteFile(const std::string& name, std::size_t size) const;

    // Starts the program as its main() does; false when it would end at once.
    bool Start(const std::optional<std::filesystem::path>& document = std::nullopt);
    // Ends the program as closing its window does, with no unsaved changes left.
    void Stop();

    CFirmwareDownloaderApp& App() { return *m_app; }
    CMainFrame& Frame();
    CFirmwareDownloaderView& View();
    CFirmwareDownloaderDoc& Document();
    CQuarnPrinters& Printers();
    QAction& Action(int id);
    bool Enabled(int id);
    // Selects exactly these rows.
    void SelectRows(std::initializer_list<int> rows);

    ScriptedUserInterface& Ui() { return m_ui; }
    const TemporaryFolder& Folder() const { return m_folder; }

private:
    TemporaryFolder m_folder;
    ScopedEnvironment m_config;
    ScopedEnvironment m_temp;
    ScopedEnvironment m_runtime;
    ScopedEnvironment m_state;
    ScriptedUserInterface m_ui;
    std::unique_ptr<CFirmwareDownloaderApp> m_app;
};

// The texts of a scripted interface's message boxes, for comparisons.
QStringList ShownTexts(const ScriptedUserInterface& ui);
