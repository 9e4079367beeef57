#include "JournalOption.h"

#include <ostream>
#include <string>

namespace {

std::string& ChosenPath()
{
    static std::string path;
    return path;
}

}  // namespace

void AddJournalOption(CLI::App& app)
{
    app.add_option("--journal", ChosenPath(),
                   "Download journal to append to and read from (default: $XDG_STATE_HOME/quarn/downloads.jsonl, "
                   "else ~/.local/state/quarn/downloads.jsonl)");
}

CDownloadJournal ChosenJournal()
{
    return ChosenPath().empty() ? CDownloadJournal() : CDownloadJournal(ChosenPath());
}

CDownloadJournal::Contents ReadJournal(const CDownloadJournal& journal, std::ostream& err)
{
    CDownloadJournal::Contents contents = journal.Read();
    if (contents.damaged > 0)
        err << "quarnctl: warning: " << contents.damaged << " damaged line" << (contents.damaged == 1 ? "" : "s")
            << " of the download journal " << journal.Path().string() << " skipped.\n";
    return contents;
}
