// The program's command set: ids, menu texts, status-bar prompts and tooltips, shortcuts.
#pragma once

#include <QString>
#include <span>

enum ECommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_IMPORT_PRINTERS = 32800,
    ID_FILE_EXPORT_PRINTERS = 32801,
    ID_DOWNLOAD_RETRY_FAILED = 32802,
    ID_VIEW_DOWNLOAD_FAILURES = 32803,
    ID_VIEW_DOWNLOAD_HISTORY = 32804,
    ID_FIRMWARE_SELECT = 32783,
    ID_FIRMWARE_CLEAR = 32784,
    ID_APP_EXIT = 57665,
    ID_EDIT_SELECT_ALL = 57642,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_PRINTER_ADD = 32773,
    ID_PRINTER_MODIFY = 32774,
    ID_PRINTER_DELETE = 32775,
    ID_PRINTER_AUTODETECT = 32776,
    ID_DOWNLOAD_ALL = 32779,
    ID_DOWNLOAD_SELECTED = 32780,
    ID_DOWNLOAD_CANCEL = 32781,
    ID_TEST_PAGE_KPL = 32790,
    ID_TEST_PAGE_QPL = 32789,
    ID_TOOLS_OPTIONS = 32786,
    ID_HELP_CONTENTS = 32788,
    ID_APP_ABOUT = 57664,
};

// A separator in a menu or toolbar layout.
constexpr int ID_SEPARATOR = 0;

struct CommandInfo {
    ECommandId id;
    const char* menuText;  // "\t" separates the shortcut shown at the right; empty: not in a menu
    const char* prompt;    // status-bar text, then after "\n" the tooltip; empty: none
    const char* shortcut;  // the key that runs it, in QKeySequence's portable form; empty: none
};

struct MenuLayout {
    const char* title;
    std::span<const int> items;  // command ids and separators
};

std::span<const CommandInfo> CommandTable();
const CommandInfo& FindCommand(int id);
std::span<const MenuLayout> MainMenuLayout();
std::span<const int> ToolbarLayout();

// The two parts of a prompt string.
QString PromptStatusText(const CommandInfo& command);
QString PromptToolTip(const CommandInfo& command);
