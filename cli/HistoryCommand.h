// quarnctl history: what the download journal says of past downloads.
#pragma once

#include "CommandAction.h"

void AddHistoryCommand(CLI::App& app, CommandAction& chosen);
