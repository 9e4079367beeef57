// What quarnctl says when its command line names no command it knows, and its help command.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <ostream>
#include <string>

// The known command closest to word (a few letters mistyped, swapped or missing), if any.
std::optional<std::string> ClosestCommand(const CLI::App& app, const std::string& word);

// When the first word of the command line that is not an option names no command, the text
// that says so, suggests the closest one and lists them all; nothing when it names one.
std::optional<std::string> UnknownCommandText(const CLI::App& app, int argc, char** argv);

// "help [COMMAND]": the program's help, or the command's.
void AddHelpCommand(CLI::App& app, std::function<int()>& chosen, std::ostream& out);
