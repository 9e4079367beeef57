// quarnctl --journal PATH: the download journal every command that downloads or reads the
// history uses, unless another file is chosen.
#pragma once

#include <CLI/CLI.hpp>
#include <iosfwd>

#include "CDownloadJournal.h"

void AddJournalOption(CLI::App& app);
// The journal chosen on the command line, else the user's own.
CDownloadJournal ChosenJournal();
// Reads the journal, saying on err how many damaged lines were skipped.
CDownloadJournal::Contents ReadJournal(const CDownloadJournal& journal, std::ostream& err);
