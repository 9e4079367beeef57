#include "QuarnctlInfo.h"

#include "CommandError.h"
#include "PrinterSettingsSections.h"

ProgramInfo QuarnctlInfo()
{
    ProgramInfo info;
    info.summary = "keep printer-settings documents and download files to label printers";
    info.exitStatus = kExitStatusText;
    info.sections = PrinterSettingsSections();
    info.sections.insert(info.sections.begin(),
                         {"Permissions",
                          "Serial, parallel and USB printers are opened through their devices, which belong to a "
                          "group: dialout for serial ports and lp for parallel and USB printers on Debian. A user "
                          "who is not in the device's group is told which group gives access; an administrator "
                          "adds the user with \"sudo adduser USER GROUP\", and the membership counts from the "
                          "user's next login."});
    info.seeAlso = {"QuarnDownloader(1)", "quarn-printer-sim(1)"};
    return info;
}
