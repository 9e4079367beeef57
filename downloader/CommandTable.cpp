#include "CommandTable.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

const std::array<CommandInfo, 27> kCommands{{
    {ID_FILE_NEW, "", "", "Ctrl+N"},
    {ID_FILE_OPEN, "&Open Printer Settings File...\tCtrl+O", "Open a Printer Settings file\nOpen", "Ctrl+O"},
    {ID_FILE_SAVE, "", "Save the current Printer settings to a file", "Ctrl+S"},
    {ID_FILE_SAVE_AS, "&Save Printer Settings File\tCtrl+S", "Save the current Printer settings to a file\nSave", ""},
    {ID_FILE_IMPORT_PRINTERS, "&Import Printers...",
     "Add the printers of a CSV fleet list; a list with a bad line is refused whole\nImport Printers", ""},
    {ID_FILE_EXPORT_PRINTERS, "&Export Printers...", "Write the printers to a CSV fleet list\nExport Printers", ""},
    {ID_FIRMWARE_SELECT, "Select Firmware File...", "Select Firmware file\nSelect Firmware File", ""},
    {ID_FIRMWARE_CLEAR, "Clear Firmware File", "Clear Firmware file\nClear Firmware File", ""},
    {ID_APP_EXIT, "E&xit", "Quit the application; prompts to save documents\nExit", ""},
    {ID_EDIT_SELECT_ALL, "Select All\tCtrl+A", "Select the entire document\nSelect All", "Ctrl+A"},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar", ""},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar", ""},
    {ID_VIEW_DOWNLOAD_FAILURES, "Download &Failures",
     "Show the printers whose download failed in this run\nDownload Failures", ""},
    {ID_VIEW_DOWNLOAD_HISTORY, "Download &History",
     "Show every download recorded on this computer, newest first\nDownload History", ""},
    {ID_PRINTER_ADD, "&Add...", "Add printer to list\nAdd Printer", ""},
    {ID_PRINTER_MODIFY, "&Modify...", "Modify Printer settings\nModify Printer settings", ""},
    {ID_PRINTER_DELETE, "&Delete", "Delete Printer(s) from list\nDelete Printer(s)", ""},
    {ID_PRINTER_AUTODETECT, "A&uto-Detect", "Auto-Detect connected printers\nAuto-Detect Printers", ""},
    {ID_DOWNLOAD_ALL, "D&ownload All", "Download to All printers\nDownload to All printers", ""},
    {ID_DOWNLOAD_SELECTED, "Download To &Selected", "Download to Selected printers\nDownload to Selected printers", ""},
    {ID_DOWNLOAD_CANCEL, "&Cancel Download", "Cancel downloading files to printers\nCancel download", ""},
    {ID_DOWNLOAD_RETRY_FAILED, "&Retry Failed",
     "Download again to the printers whose last download failed or was cancelled\nRetry Failed", ""},
    {ID_TEST_PAGE_KPL, "Print &KPL Test Page",
     "Print an KPL test page to the selected printer(s)\nPrint an KPL test page", ""},
    {ID_TEST_PAGE_QPL, "Print &QPL Test Page", "Print a QPL test page to the selected printer(s)\nPrint a QPL test page",
     ""},
    {ID_TOOLS_OPTIONS, "&Options...", "", ""},
    {ID_HELP_CONTENTS, "&Contents\tF1", "the table of contents for the online documentation\nDisplay help file", "F1"},
    {ID_APP_ABOUT, "&About QuarnDownloader...", "Display program information, version number and copyright\nAbout",
     ""},
}};

constexpr int kFileMenu[] = {ID_FILE_OPEN,         ID_FILE_SAVE_AS,    ID_SEPARATOR,
                             ID_FILE_IMPORT_PRINTERS, ID_FILE_EXPORT_PRINTERS, ID_SEPARATOR,
                             ID_FIRMWARE_SELECT,   ID_FIRMWARE_CLEAR,  ID_SEPARATOR,
                             ID_APP_EXIT};
constexpr int kEditMenu[] = {ID_EDIT_SELECT_ALL};
constexpr int kViewMenu[] = {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_SEPARATOR, ID_VIEW_DOWNLOAD_FAILURES,
                             ID_VIEW_DOWNLOAD_HISTORY};
constexpr int kPrinterMenu[] = {ID_PRINTER_ADD,       ID_PRINTER_MODIFY,    ID_PRINTER_DELETE, ID_SEPARATOR,
                                ID_PRINTER_AUTODETECT, ID_SEPARATOR,        ID_DOWNLOAD_ALL,   ID_DOWNLOAD_SELECTED,
                                ID_DOWNLOAD_CANCEL,    ID_DOWNLOAD_RETRY_FAILED, ID_SEPARATOR,  ID_TEST_PAGE_KPL,
                                ID_TEST_PAGE_QPL};
constexpr int kToolsMenu[] = {ID_TOOLS_OPTIONS};
constexpr int kHelpMenu[] = {ID_HELP_CONTENTS, ID_SEPARATOR, ID_APP_ABOUT};

const std::array<MenuLayout, 6> kMenus{{
    {"&File", kFileMenu},
    {"&Edit", kEditMenu},
    {"&View", kViewMenu},
    {"&Printer", kPrinterMenu},
    {"&Tools", kToolsMenu},
    {"&Help", kHelpMenu},
}};

constexpr int kToolbar[] = {ID_PRINTER_ADD,     ID_PRINTER_MODIFY,  ID_PRINTER_DELETE, ID_SEPARATOR,
                            ID_PRINTER_AUTODETECT, ID_SEPARATOR,    ID_FIRMWARE_SELECT, ID_FIRMWARE_CLEAR,
                            ID_SEPARATOR,       ID_DOWNLOAD_ALL,    ID_DOWNLOAD_CANCEL, ID_SEPARATOR,
                            ID_TEST_PAGE_KPL,   ID_TEST_PAGE_QPL,   ID_SEPARATOR,      ID_APP_ABOUT};

}  // namespace

std::span<const CommandInfo> CommandTable() { return kCommands; }

const CommandInfo& FindCommand(int id)
{
    auto it = std::find_if(kCommands.begin(), kCommands.end(), [id](const CommandInfo& c) { return c.id == id; });
    if (it == kCommands.end()) throw std::out_of_range("unknown command id");
    return *it;
}

std::span<const MenuLayout> MainMenuLayout() { return kMenus; }
std::span<const int> ToolbarLayout() { return kToolbar; }

QString PromptStatusText(const CommandInfo& command)
{
    return QString::fromLatin1(command.prompt).section(QLatin1Char('\n'), 0, 0);
}

QString PromptToolTip(const CommandInfo& command)
{
    return QString::fromLatin1(command.prompt).section(QLatin1Char('\n'), 1, 1);
}
