#include "ManPage.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "CommandLineWalk.h"

namespace {

// Escapes the characters roff would take as its own: a backslash starts an escape, and a
// hyphen-minus would be typeset as a hyphen that cannot be copied back into a shell.
std::string Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
    }
    return escaped;
}

std::string Bold(const std::string& text) { return "\\fB" + Escaped(text) + "\\fR"; }
std::string Italic(const std::string& text) { return "\\fI" + Escaped(text) + "\\fR"; }

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A line of roff text must not start with "." or "'" (a request) nor with a space (a
// break); the zero-width \& in front keeps it text.
std::string TextLine(const std::string& line)
{
    const bool control = !line.empty() && (line[0] == '.' || line[0] == '\'' || line[0] == ' ');
    return (control ? "\\&" : "") + line + '\n';
}

void WriteLine(std::ostream& out, const std::string& line) { out << TextLine(line); }

// The lines of each paragraph (paragraphs apart by blank lines), without the leading spaces
// that only indented a help text for a terminal.
std::vector<std::vector<std::string>> Paragraphs(const std::string& text)
{
    std::vector<std::vector<std::string>> paragraphs;
    std::istringstream lines(text);
    bool start = true;
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find_first_not_of(' ');
        if (first == std::string::npos) {
            start = true;
            continue;
        }
        if (start) paragraphs.emplace_back();
        paragraphs.back().push_back(line.substr(first));
        start = false;
    }
    return paragraphs;
}

void WriteText(std::ostream& out, const std::string& text, TextLayout layout = TextLayout::Filled)
{
    out << RoffText(text, layout);
}

void WriteOption(std::ostream& out, const CLI::Option& option)
{
    out << ".TP\n";
    std::string head;
    for (const std::string& spelling : OptionSpellings(option)) head += (head.empty() ? "" : ", ") + Bold(spelling);
    if (TakesValue(option)) head += " " + Italic(ValueName(option));
    WriteLine(out, head);
    std::string description = option.get_description();
    if (!option.get_default_str().empty()) description += " (default: " + option.get_default_str() + ")";
    WriteText(out, description);
}

void WritePositionals(std::ostream& out, const CLI::App& command)
{
    for (const CLI::Option* positional : Positionals(command)) {
        out << ".TP\n";
        WriteLine(out, Italic(positional->get_name(true)));
        WriteText(out, positional->get_description());
    }
}

void WriteOptionGroups(std::ostream& out, const CLI::App& command)
{
    for (const OptionGroupView& group : NamedOptionGroups(command)) {
        if (!group.heading.empty()) {
            out << ".PP\n";
            WriteText(out, group.heading + ":");
        }
        for (const CLI::Option* option : group.options) WriteOption(out, *option);
    }
}

std::string Usage(const CLI::App& command, const std::string& path)
{
    std::string usage = Bold(path);
    if (!NamedOptionGroups(command).empty()) usage += " [" + Italic("OPTION") + "...]";
    for (const CLI::Option* positional : Positionals(command)) usage += " " + Italic(PositionalUsage(*positional));
    if (!Subcommands(command).empty()) usage += " " + Italic("COMMAND") + " ...";
    return usage;
}

void WriteCommands(std::ostream& out, const CLI::App& parent, const std::string& parentPath)
{
    for (const CLI::App* command : Subcommands(parent)) {
        const std::string path = parentPath + " " + command->get_name();
        out << ".SS \"" << Escaped(path.substr(path.find(' ') + 1)) << "\"\n";
        WriteLine(out, Usage(*command, path));
        out << ".PP\n";
        WriteText(out, command->get_description());
        WritePositionals(out, *command);
        WriteOptionGroups(out, *command);
        WriteCommands(out, *command, path);
    }
}

void WriteSection(std::ostream& out, const std::string& heading, const std::string& text,
                  TextLayout layout = TextLayout::Terms)
{
    out << ".SH " << Upper(heading) << '\n';
    WriteText(out, text, layout);
}

}  // namespace

std::string RoffText(const std::string& text, TextLayout layout)
{
    std::string result;
    for (const std::vector<std::string>& paragraph : Paragraphs(text)) {
        std::size_t body = 0;
        if (layout == TextLayout::Terms && paragraph.size() > 1) {
            result += ".TP\n" + TextLine("\\fB" + Escaped(paragraph.front()) + "\\fR");
            body = 1;
        } else if (!result.empty()) {
            result += ".PP\n";
        }
        for (std::size_t i = body; i < paragraph.size(); ++i) result += TextLine(Escaped(paragraph[i]));
    }
    return result;
}

void WriteManPage(const CLI::App& app, const ProgramInfo& info, std::ostream& out)
{
    const std::string& name = app.get_name();
    out << ".TH " << Upper(Escaped(name)) << " 1 \"" << QUARN_RELEASE_DATE << "\" \"" << Escaped(name) << " "
        << QUARN_VERSION << "\" \"User Commands\"\n";
    out << ".SH NAME\n" << Escaped(name) << " \\- " << RoffText(info.summary);
    out << ".SH SYNOPSIS\n";
    WriteLine(out, Usage(app, name));
    WriteSection(out, "Description", app.get_description(), TextLayout::Filled);
    if (!Positionals(app).empty() || !NamedOptionGroups(app).empty()) {
        out << ".SH OPTIONS\n";
        WritePositionals(out, app);
        WriteOptionGroups(out, app);
    }
    if (!Subcommands(app).empty()) {
        out << ".SH COMMANDS\n";
        WriteCommands(out, app, name);
    }
    WriteSection(out, "Exit status", info.exitStatus);
    for (const auto& [heading, text] : info.sections) WriteSection(out, heading, text);
    if (!info.seeAlso.empty()) {
        out << ".SH SEE ALSO\n";
        std::string list;
        for (const std::string& page : info.seeAlso) {
            const auto paren = page.find('(');
            list += (list.empty() ? "" : ",\n") + Bold(page.substr(0, paren)) + Escaped(page.substr(paren));
        }
        WriteLine(out, list);
    }
}
