#include "CommandNames.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "CommandAction.h"
#include "CommandError.h"

namespace {

// Optimal string alignment distance: insertions, deletions, substitutions and swaps of two
// neighbours each cost one, which is how command names get mistyped.
std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::vector<std::string> CommandNamesOf(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](const CLI::App* c) { return !c->get_name().empty(); }))
        names.push_back(command->get_name());
    return names;
}

}  // namespace

std::optional<std::string> ClosestCommand(const CLI::App& app, const std::string& word)
{
    std::optional<std::string> best;
    // More than a third of the word wrong is another word, not a typing slip.
    std::size_t bestDistance = std::max<std::size_t>(1, word.size() / 3) + 1;
    for (const std::string& name : CommandNamesOf(app)) {
        const std::size_t distance = name.starts_with(word) && word.size() >= 3 ? 1 : EditDistance(word, name);
        if (distance < bestDistance) best = name, bestDistance = distance;
    }
    return best;
}

std::optional<std::string> UnknownCommandText(const CLI::App& app, int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") return std::nullopt;
        if (word.starts_with("-")) {
            // The value of a program-wide option (--journal PATH) names no command.
            const CLI::Option* option = word.find('=') == std::string::npos ? app.get_option_no_throw(word) : nullptr;
            if (option && option->get_type_size() > 0) ++i;
            continue;
        }
        const std::vector<std::string> names = CommandNamesOf(app);
        if (std::find(names.begin(), names.end(), word) != names.end()) return std::nullopt;
        std::string text = "unknown command '" + word + "'";
        if (const auto closest = ClosestCommand(app, word)) text += "; did you mean '" + *closest + "'?";
        text += "\nThe commands are: " +
                std::accumulate(std::next(names.begin()), names.end(), names.front(),
                                [](std::string list, const std::string& name) { return list + ", " + name; }) +
                ".\nRun 'quarnctl help COMMAND' for what one does.";
        return text;
    }
    return std::nullopt;
}

void AddHelpCommand(CLI::App& app, std::function<int()>& chosen, std::ostream& out)
{
    auto command = std::make_shared<std::string>();
    CLI::App* help = app.add_subcommand("help", "Show the help of quarnctl, or of one of its commands.");
    help->add_option("COMMAND", *command, "The command to explain");
    OnParsed(help, chosen, [&app, command, &out] {
        if (command->empty()) {
            // help() would describe the help command itself, which the command line selected.
            out << app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal);
            return int{kExitOk};
        }
        CLI::App* named = nullptr;
        try {
            named = app.get_subcommand(*command);
        } catch (const CLI::OptionNotFound&) {
            const auto closest = ClosestCommand(app, *command);
            throw CommandError("unknown command '" + *command + "'" +
                               (closest ? "; did you mean '" + *closest + "'?" : std::string(".")) +
                               " Run 'quarnctl help' for the list.");
        }
        out << named->get_formatter()->make_help(named, app.get_name() + " " + named->get_name(),
                                                 CLI::AppFormatMode::Normal);
        return int{kExitOk};
    });
}
