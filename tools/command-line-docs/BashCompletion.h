// A program's bash completion, read off its CLI11 definition: subcommands where one may
// follow, options after a "-", and the shell's own file names everywhere else.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

void WriteBashCompletion(const CLI::App& app, std::ostream& out);
