#include "DownloaderCommandLine.h"

#include <algorithm>

#include "PrinterSettingsSections.h"
#include "ProgramInfoOptions.h"

namespace {

ProgramInfo DownloaderInfo()
{
    ProgramInfo info;
    info.summary = "download firmware, fonts and graphics into many label printers at once";
    info.exitStatus =
        "0 the window was closed; 1 the program did not start: the document named could not be opened, or another "
        "program holds the printers and no document was named; 2 wrong arguments.";
    info.sections = PrinterSettingsSections();
    info.sections.front().second +=
        "\n\nThe user's settings file also keeps the window's placement and view (group Settings) and the four "
        "documents opened last.";
    info.sections.push_back(
        {"Notes",
         "The toolkit's own options, such as -platform offscreen or -style fusion, are accepted before the "
         "document name. A document whose name starts with \"-\" is named after \"--\".\n"
         "\n"
         "The help (F1) is the HTML page Firmware Downloader.html in the program's documentation folder."});
    info.seeAlso = {"quarnctl(1)", "quarn-printer-sim(1)"};
    return info;
}

}  // namespace

DownloaderCommandLine::DownloaderCommandLine()
    : m_app("Keeps a list of label printers, each on a serial, parallel, USB or network connection, and downloads "
            "firmware, fonts, graphics and command files into many of them at once, each with its own progress bar. "
            "The list is saved in printer-settings documents (.qps).",
            "QuarnDownloader")
{
    m_app.add_option("DOCUMENT", m_document, "Printer-settings document to open; without it the list starts empty")
        ->type_name("FILE");
    AddProgramInfoOptions(m_app, DownloaderInfo());
}

std::optional<int> DownloaderCommandLine::ParseBeforeStart(int argc, char** argv)
{
    // The toolkit's options are still in argv and are not known here, so they pass for now.
    m_app.allow_extras(true);
    try {
        m_app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0) return m_app.exit(error);
        return ParseStrictly(argc, argv);
    }
    const std::vector<std::string> unknown = m_app.remaining();
    if (unknown.empty()) return std::nullopt;
    // The toolkit's options start with one dash (-platform, -style); anything else unknown
    // is wrong whatever the toolkit takes, and is said without needing a display.
    m_bToolkitWords = std::any_of(unknown.begin(), unknown.end(), [](const std::string& word) {
        return word.size() > 1 && word[0] == '-' && word[1] != '-';
    });
    return m_bToolkitWords ? std::nullopt : ParseStrictly(argc, argv);
}

std::optional<int> DownloaderCommandLine::ParseAfterToolkit(int argc, char** argv)
{
    if (!m_bToolkitWords) return std::nullopt;
    return ParseStrictly(argc, argv);
}

std::optional<int> DownloaderCommandLine::ParseStrictly(int argc, char** argv)
{
    m_app.allow_extras(false);
    m_document.clear();
    try {
        m_app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return m_app.exit(error) == 0 ? kDownloaderExitOk : kDownloaderExitUsage;
    }
    return std::nullopt;
}
