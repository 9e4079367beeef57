#include "CommandLineWalk.h"

namespace {

bool Visible(const CLI::Option* option) { return !option->get_group().empty(); }

}  // namespace

std::vector<OptionGroupView> NamedOptionGroups(const CLI::App& app)
{
    std::vector<OptionGroupView> groups;
    OptionGroupView own;
    // Every subcommand and option group repeats the program's help option; it is told once.
    const bool top = app.get_parent() == nullptr;
    for (const CLI::Option* option : app.get_options())
        if (Visible(option) && option->nonpositional() && (top || option != app.get_help_ptr()))
            own.options.push_back(option);
    if (!own.options.empty()) groups.push_back(std::move(own));
    // Option groups are nameless subcommands; their options are parsed as the command's own.
    for (const CLI::App* group : app.get_subcommands([](const CLI::App* sub) { return sub->get_name().empty(); })) {
        OptionGroupView view;
        view.heading = group->get_description().empty() ? group->get_group() : group->get_description();
        for (const OptionGroupView& inner : NamedOptionGroups(*group))
            view.options.insert(view.options.end(), inner.options.begin(), inner.options.end());
        if (!view.options.empty()) groups.push_back(std::move(view));
    }
    return groups;
}

std::vector<const CLI::Option*> Positionals(const CLI::App& app)
{
    std::vector<const CLI::Option*> positionals;
    for (const CLI::Option* option : app.get_options())
        if (Visible(option) && option->get_positional() && !option->nonpositional()) positionals.push_back(option);
    return positionals;
}

std::vector<const CLI::App*> Subcommands(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty() && !sub->get_group().empty(); });
}

std::vector<std::string> OptionSpellings(const CLI::Option& option)
{
    std::vector<std::string> spellings;
    for (const std::string& name : option.get_snames()) spellings.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) spellings.push_back("--" + name);
    return spellings;
}

std::string OptionNames(const CLI::Option& option)
{
    std::string names;
    for (const std::string& spelling : OptionSpellings(option)) names += (names.empty() ? "" : ", ") + spelling;
    return names;
}

bool TakesValue(const CLI::Option& option) { return option.get_items_expected_max() > 0; }

std::string ValueName(const CLI::Option& option)
{
    if (!TakesValue(option)) return {};
    // The type name carries the checks' descriptions after a colon ("INT:INT in [1 - 65535]").
    std::string name = option.get_type_name();
    name = name.substr(0, name.find(':'));
    return name.empty() ? "VALUE" : name;
}

std::string PositionalUsage(const CLI::Option& option)
{
    std::string usage = option.get_name(true);
    if (option.get_items_expected_max() > 1) usage += "...";
    return option.get_required() ? usage : "[" + usage + "]";
}
