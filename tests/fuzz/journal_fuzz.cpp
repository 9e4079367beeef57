// A download journal is a file anyone with the user's rights may have edited or cut short:
// reading it must never crash, every line is either an entry or counted as damaged, and every
// entry read is written back to a line that reads as the same entry.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "CDownloadJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    CDownloadJournal::Contents contents;
    CDownloadJournal::ReadLines(in, contents);

    std::size_t lines = 0;
    std::istringstream again(text);
    for (std::string line; std::getline(again, line);) lines += line.empty() ? 0 : 1;
    if (contents.entries.size() + contents.damaged != lines) __builtin_trap();

    for (const DownloadJournalEntry& entry : contents.entries) {
        const std::string written = CDownloadJournal::Line(entry);
        if (written.find('\n') != std::string::npos) __builtin_trap();
        const auto reread = CDownloadJournal::ParseLine(written);
        if (!reread || CDownloadJournal::Line(*reread) != written) __builtin_trap();
    }
    return 0;
}
