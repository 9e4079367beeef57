#include "HistoryCommand.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "CommandError.h"
#include "JournalOption.h"
#include "OneLineText.h"

namespace {

struct HistoryQuery {
    std::string document;  // empty: every document
    std::string printer;   // empty: every printer
    std::string since;     // empty: from the start
    bool json = false;
};

// An empty field as "-": shells and readers merge runs of tabs.
CString Field(const CString& text) { return text.empty() ? CString("-") : OneLine(text); }

void WriteLine(const DownloadJournalEntry& entry, std::ostream& out)
{
    const DownloadOutcome& outcome = entry.outcome;
    out << IsoUtc(entry.time) << '\t' << Field(outcome.printer) << '\t' << Field(outcome.port) << '\t'
        << ResultWord(outcome.result) << '\t' << outcome.bytesTaken << '/' << outcome.fileSize << '\t'
        << Field(outcome.file) << '\t' << Field(OutcomeMessage(outcome)) << '\t' << Field(entry.document) << '\n';
}

int ShowHistory(const HistoryQuery& query, std::ostream& out)
{
    std::optional<DownloadOutcome::Clock::time_point> since;
    if (!query.since.empty()) {
        since = ParseIsoUtc(query.since);
        if (!since)
            throw CommandError("--since takes a date (2026-12-08) or a UTC time (2026-12-08T22:01:02Z); '" +
                               query.since + "' is neither.");
    }
    const std::string document = query.document.empty() ? std::string() : CDownloadJournal::DocumentPath(query.document);
    const CDownloadJournal::Contents contents = ReadJournal(ChosenJournal(), std::cerr);
    if (query.json) out << '[';
    const char* separator = "";
    for (const DownloadJournalEntry& entry : contents.entries) {
        if (!document.empty() && entry.document != document) continue;
        if (!query.printer.empty() && entry.outcome.printer != query.printer) continue;
        if (since && entry.time < *since) continue;
        if (query.json) {
            out << separator << CDownloadJournal::Line(entry);
            separator = ",\n";
        } else {
            WriteLine(entry, out);
        }
    }
    if (query.json) out << "]\n";
    return kExitOk;
}

}  // namespace

void AddHistoryCommand(CLI::App& app, CommandAction& chosen)
{
    auto query = std::make_shared<HistoryQuery>();
    CLI::App* history = app.add_subcommand(
        "history", "Show the download journal, oldest first, one line per printer's download: time (UTC), printer, "
                   "port, result, bytes taken/file size, file, message and document, tab-separated.");
    history->add_option("FILE", query->document, "Only the downloads of this printer-settings document");
    history->add_option("--printer", query->printer, "Only the downloads of the printer of this name");
    history->add_option("--since", query->since, "Only the downloads recorded since this date or UTC time");
    history->add_flag("--json", query->json, "Write one JSON array of the journal's entries as they are stored");
    OnParsed(history, chosen, [query] { return ShowHistory(*query, std::cout); });
}
