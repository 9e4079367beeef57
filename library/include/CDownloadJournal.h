// The download journal: every program appends each printer's outcome as one JSON line, so
// that an operator can say later which printers have which file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DownloadOutcome.h"

// One line of the journal: the outcome, and who recorded it for which document.
struct DownloadJournalEntry {
    DownloadOutcome outcome;
    DownloadOutcome::Clock::time_point time;
    std::string program;   // quarnctl or QuarnDownloader
    std::string user;
    std::string document;  // the canonical path of the printer-settings document
};

class CDownloadJournal {
public:
    // Past this size the journal becomes downloads.jsonl.1 (replacing the older one) and
    // starts again.
    static constexpr std::uint64_t kRotateBytes = 16ULL * 1024 * 1024;

    // $XDG_STATE_HOME/quarn/downloads.jsonl, else ~/.local/state/quarn/downloads.jsonl.
    static std::filesystem::path DefaultPath();
    // The path a journal names a document by: canonical when it exists, else absolute; empty
    // for a document that has no path yet.
    static std::string DocumentPath(const std::string& path);

    explicit CDownloadJournal(std::filesystem::path path = DefaultPath());
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path OlderPath() const;

    // Appends one line with a single write. Never raises: returns a warning the first time
    // this journal cannot be written, nothing otherwise.
    std::optional<std::string> Append(const DownloadOutcome& outcome, const std::string& program,
                                      const std::string& document);

    struct Contents {
        std::vector<DownloadJournalEntry> entries;  // oldest first
        std::size_t damaged = 0;                    // lines that could not be read, skipped
    };
    // The older file, then the current one; a missing file is empty.
    Contents Read() const;
    // The lines of one stream; an empty line is no damage.
    static void ReadLines(std::istream& in, Contents& contents);
    static std::optional<DownloadJournalEntry> ParseLine(std::string_view line);
    static std::string Line(const DownloadJournalEntry& entry);

    // The last entry of each printer name for this document (canonical path).
    static std::map<CString, DownloadJournalEntry> LastByPrinter(const Contents& contents, const std::string& document);

private:
    std::filesystem::path m_path;
    bool m_bWarned = false;
};
