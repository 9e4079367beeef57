// The quarnctl commands that talk to printers besides download: test-page, query,
// set-serial, reset-head-odometer, print-odometers, print-head-history and detect.
#pragma once

#include <CLI/CLI.hpp>

#include "CommandAction.h"

class ConsoleUserInterface;

// Adds the commands to app; the one the command line names stores its action in chosen.
void AddPrinterCommands(CLI::App& app, CommandAction& chosen, ConsoleUserInterface& ui);
