// The network search's wait on a console: a countdown redrawn in place on a terminal, one
// line at the start and one at the end otherwise. Ctrl-C (or SIGTERM) cancels the search.
#pragma once

#include <cstdio>

class ISearchWait;

class SearchCountdown {
public:
    SearchCountdown(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal) {}

    // Begins the search and waits for its end (IDOK) or the operator's cancel (IDCANCEL).
    int Run(ISearchWait& search);

private:
    void Show(int secondsLeft);
    void Finish(const char* outcome);

    std::FILE* m_out;
    bool m_terminal;
    int m_shown = -1;
};
