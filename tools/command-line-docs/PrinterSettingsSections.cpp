#include "PrinterSettingsSections.h"

std::vector<std::pair<std::string, std::string>> PrinterSettingsSections()
{
    return {
        {"Files",
         "~/.config/Quarn Technologies Corporation/QuarnDownloader.conf\n"
         "The user's settings; the key MaxDownloads is the ceiling of simultaneous downloads (1 to 99).\n"
         "\n"
         "/etc/xdg/Quarn Technologies Corporation/QuarnDownloader.conf\n"
         "A machine-wide ceiling an administrator may set; it counts where the user's file has none. "
         "Without either the ceiling is 1.\n"
         "\n"
         "QuarnPrinters.lock\n"
         "Held by the program that owns the printers, so that a second one cannot interleave its bytes "
         "with a running download; released when that program ends, also after a crash."},
        {"Environment",
         "XDG_CONFIG_HOME, XDG_CONFIG_DIRS\n"
         "Where the user's and the machine-wide settings are looked for instead of ~/.config and /etc/xdg.\n"
         "\n"
         "TMPDIR\n"
         "The temporary folder, where the lock file is kept when the user has no runtime folder."},
    };
}
