#include "BashCompletion.h"

#include <cctype>
#include <string>
#include <vector>

#include "CommandLineWalk.h"

namespace {

// One command of the tree, named by the words that lead to it (" query serial-number").
struct CommandWords {
    std::string path;
    const CLI::App* command;
};

void Collect(const CLI::App& command, const std::string& path, std::vector<CommandWords>& all)
{
    all.push_back({path, &command});
    for (const CLI::App* sub : Subcommands(command)) Collect(*sub, path + " " + sub->get_name(), all);
}

std::string Joined(const std::vector<std::string>& words)
{
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : " ") + word;
    return joined;
}

std::string FunctionName(const std::string& program)
{
    std::string name = "_";
    for (const char c : program) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

}  // namespace

void WriteBashCompletion(const CLI::App& app, std::ostream& out)
{
    std::vector<CommandWords> commands;
    Collect(app, "", commands);
    const std::string function = FunctionName(app.get_name());

    out << "# bash completion for " << app.get_name() << "; written by " << app.get_name()
        << " --bash-completion from its own options.\n"
        << function << "()\n{\n"
        << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        << "    local path=\"\" i\n"
        << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        << "        case \"$path ${COMP_WORDS[i]}\" in\n";
    for (const CommandWords& entry : commands)
        if (!entry.path.empty()) out << "        \"" << entry.path << "\") path=\"" << entry.path << "\" ;;\n";
    out << "        esac\n"
        << "    done\n"
        << "    local commands=\"\" options=\"\" values=\"\"\n"
        << "    case \"$path\" in\n";
    for (const CommandWords& entry : commands) {
        std::vector<std::string> subcommands, options, values;
        for (const CLI::App* sub : Subcommands(*entry.command)) subcommands.push_back(sub->get_name());
        for (const OptionGroupView& group : NamedOptionGroups(*entry.command))
            for (const CLI::Option* option : group.options)
                for (const std::string& spelling : OptionSpellings(*option)) {
                    options.push_back(spelling);
                    if (TakesValue(*option)) values.push_back(spelling);
                }
        out << "    \"" << entry.path << "\")\n"
            << "        commands=\"" << Joined(subcommands) << "\"\n"
            << "        options=\"" << Joined(options) << "\"\n"
            << "        values=\"" << Joined(values) << "\" ;;\n";
    }
    out << "    esac\n"
        // After an option that takes a value, and wherever no command may follow, the shell
        // completes file names (complete -o default).
        << "    [[ \" $values \" == *\" $prev \"* ]] && return\n"
        << "    if [[ $cur == -* ]]; then\n"
        << "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
        << "    else\n"
        << "        COMPREPLY=($(compgen -W \"$commands\" -- \"$cur\"))\n"
        << "    fi\n"
        << "}\n"
        << "complete -o default -F " << function << " " << app.get_name() << '\n';
}
