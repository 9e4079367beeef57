// The downloader's command line: the document to open, and the questions (--help, --version
// and the hidden ones that write its manual page) answered before any window opens, so that
// they work without a display.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

class DownloaderCommandLine {
public:
    DownloaderCommandLine();

    // Before the application object exists: answers a question, or reports a wrong command
    // line on stderr, and gives the status to end with; nothing when the program may start.
    std::optional<int> ParseBeforeStart(int argc, char** argv);
    // Once the application object has taken the toolkit's own options (-platform, -style)
    // out of argv, the words that only the toolkit could know are read again: nothing when
    // they hold at most a document, else the status to end with.
    std::optional<int> ParseAfterToolkit(int argc, char** argv);

    // The document named on the command line; empty when none was.
    const std::string& Document() const { return m_document; }

private:
    std::optional<int> ParseStrictly(int argc, char** argv);

    CLI::App m_app;
    std::string m_document;
    bool m_bToolkitWords = false;  // words that may be the toolkit's options wait for it
};

// How the program ends.
enum : int {
    kDownloaderExitOk = 0,
    kDownloaderExitNotStarted = 1,  // the document could not be opened, or the printers are held
    kDownloaderExitUsage = 2,
};
