// The options every program of the project has besides its own: --version, and the hidden
// options with which the build writes the program's manual page and shell completion from
// the same definitions that parse its command line.
#pragma once

#include <CLI/CLI.hpp>

#include "ProgramInfo.h"

// Adds --version and the hidden --man-page and --bash-completion to app; each prints its
// text and ends the parse with CLI::Success (or CLI::CallForVersion), which app.exit()
// answers with status 0. app's subcommands may be added afterwards: they are read when
// the option is used.
void AddProgramInfoOptions(CLI::App& app, ProgramInfo info);

// "quarnctl 2.7.0.0": the program's name and the project's version.
std::string VersionText(const CLI::App& app);
