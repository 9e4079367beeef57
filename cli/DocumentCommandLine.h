// The quarnctl commands that keep documents and settings: list, add, remove, set-file,
// download, max-downloads and ports.
#pragma once

#include <CLI/CLI.hpp>

#include "CommandAction.h"

class ConsoleUserInterface;

// Adds the commands to app; the one the command line names stores its action in chosen.
void AddDocumentCommands(CLI::App& app, CommandAction& chosen, ConsoleUserInterface& ui);
