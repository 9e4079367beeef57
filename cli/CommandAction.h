// What a parsed quarnctl command runs: its work, returning the exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

using CommandAction = std::function<int()>;

// Once the command line names command, its action becomes the one to run.
inline void OnParsed(CLI::App* command, CommandAction& chosen, CommandAction action)
{
    command->callback([&chosen, action = std::move(action)] { chosen = action; });
}
