#include "SearchCountdown.h"

#include <algorithm>
#include <chrono>

#include "CancelSignal.h"
#include "IUserInterface.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long the library's network search listens for answers.
constexpr int kSearchSeconds = 10;
// Short enough that Ctrl-C feels immediate.
constexpr unsigned kTickMs = 200;

constexpr const char* kSearching = "Searching Local Network and USB...";

}  // namespace

int SearchCountdown::Run(ISearchWait& search)
{
    const CancelSignal signal;
    const Clock::time_point start = Clock::now();
    if (!m_terminal) std::fprintf(m_out, "%s (%d s; Ctrl-C cancels)\n", kSearching, kSearchSeconds);
    search.Begin();
    Show(kSearchSeconds);
    while (!search.WaitForEnd(kTickMs)) {
        if (signal.Requested()) {
            search.Cancel();
            Finish("Search cancelled: no network printer is added.");
            return IDCANCEL;
        }
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
        Show(std::max(0, kSearchSeconds - static_cast<int>(elapsed)));
    }
    Finish("Search ended.");
    return IDOK;
}

void SearchCountdown::Show(int secondsLeft)
{
    if (!m_terminal || secondsLeft == m_shown) return;
    m_shown = secondsLeft;
    std::fprintf(m_out, "\r\033[K%s %d s left (Ctrl-C cancels)", kSearching, secondsLeft);
    std::fflush(m_out);
}

void SearchCountdown::Finish(const char* outcome)
{
    if (m_terminal) std::fputs("\r\033[K", m_out);
    std::fprintf(m_out, "%s\n", outcome);
    std::fflush(m_out);
}
