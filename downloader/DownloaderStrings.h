// The program's own texts, by the ids under which the rest of the system knows them.
#pragma once

namespace DownloaderStrings {

inline constexpr const char* kAppName = "QuarnDownloader";  // 57344
inline constexpr const char* kReady = "Ready";              // 57345
inline constexpr const char* kIndicatorCaps = "CAP";        // 59137
inline constexpr const char* kIndicatorNum = "NUM";         // 59138
inline constexpr const char* kIndicatorScroll = "SCRL";     // 59139
inline constexpr const char* kColumnName = "Printer Name";      // 61204
inline constexpr const char* kColumnPort = "Port";              // 61205
inline constexpr const char* kColumnFile = "Download File";     // 61206
inline constexpr const char* kColumnStatus = "Download Status"; // 61207
inline constexpr const char* kAlreadyRunning =                  // 61208
    "This application cannot be run at the same time as Pallidor.  Please close the other application and "
    "restart this application.";
inline constexpr const char* kNoneSelected = "None Selected";   // 61209
inline constexpr const char* kColumnModel = "Model";            // 61210

inline constexpr const char* kEmptyListHint = "No printers yet: Printer › Add or Printer › Auto-Detect";

inline constexpr const char* kCompany = "Quarn Technologies Corporation";
inline constexpr const char* kDocumentFilter = "Quarn Printer Settings Files (*.qps)";
inline constexpr const char* kDocumentExtension = "qps";
inline constexpr const char* kFirmwareFilter =
    "All Files (*.*)|*.*|Firmware Files (*.qpl)|*.qpl|Firmware Files (*.prg)|*.prg|Graphic Files (*.pcx)|*.pcx||";
inline constexpr const char* kUntitled = "Untitled";
inline constexpr const char* kEmptyFile = "The file was empty: nothing was sent.";
inline constexpr const char* kStatusWaiting = "Waiting";
inline constexpr const char* kStatusCalibrating = "Calibrating";
inline constexpr const char* kHelpFileName = "Firmware Downloader.html";

}  // namespace DownloaderStrings

#include <QString>

// The question asked before the printer list goes while count downloads run or wait.
inline QString StillRunningQuestion(int count)
{
    return (count == 1 ? QStringLiteral("1 download is") : QStringLiteral("%1 downloads are").arg(count)) +
           QStringLiteral(" still running or waiting. Stopping now leaves the running printers with part of their "
                          "file. Stop them?");
}
