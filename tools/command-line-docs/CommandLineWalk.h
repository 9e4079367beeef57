// What the documentation writers read off a CLI11 definition: the visible options of a
// command (those of its option groups included) and its subcommands, in definition order.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

struct OptionGroupView {
    std::string heading;  // empty for the command's own options
    std::vector<const CLI::Option*> options;
};

// Named options and positionals of app apart, hidden ones (empty group) left out.
std::vector<OptionGroupView> NamedOptionGroups(const CLI::App& app);
std::vector<const CLI::Option*> Positionals(const CLI::App& app);
std::vector<const CLI::App*> Subcommands(const CLI::App& app);

// "--tcp-port", "-h, --help"; the value name ("INT", "FILE") or empty for a flag.
std::string OptionNames(const CLI::Option& option);
std::string ValueName(const CLI::Option& option);
// Every name an option is written with: "-h", "--help".
std::vector<std::string> OptionSpellings(const CLI::Option& option);
bool TakesValue(const CLI::Option& option);
// "FILE", "[N]", "NAME...", "[NAME...]".
std::string PositionalUsage(const CLI::Option& option);
