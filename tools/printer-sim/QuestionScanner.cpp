#include "QuestionScanner.h"

#include <algorithm>
#include <array>

namespace {

// The print commands ("\nURLip\n") differ from these questions in the byte before the last
// line feed, so they never match.
constexpr std::array<std::string_view, 6> kQuestions = {"\nURS\n", "\nURLi\n", "\nURLm\n", "\nURHi\n", "\nURHm\n", "\nUQ\n"};
constexpr std::size_t kLongest = 6;

}  // namespace

std::vector<std::string> QuestionScanner::Feed(std::string_view bytes)
{
    std::vector<std::string> found;
    const std::string text = m_tail + std::string(bytes);
    std::size_t matchedUpTo = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        if (at < matchedUpTo) continue;
        const std::string_view rest = std::string_view(text).substr(at);
        for (const std::string_view question : kQuestions) {
            if (rest.starts_with(question)) {
                found.emplace_back(question.substr(1, question.size() - 2));
                matchedUpTo = at + question.size();
                break;
            }
        }
    }
    // Only a command still open at the end can complete with the next bytes; one that ended
    // the last match must not be matched twice.
    const std::size_t keep = std::max(matchedUpTo, text.size() - std::min(text.size(), kLongest - 1));
    m_tail = text.substr(keep);
    return found;
}
