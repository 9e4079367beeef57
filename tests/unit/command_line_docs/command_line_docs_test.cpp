// The manual pages and the bash completion written from a CLI11 definition: every visible
// option and command in them, nothing hidden, text that roff and bash take literally.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "BashCompletion.h"
#include "ManPage.h"
#include "TemporaryFolder.h"

namespace {

// A program with what real ones have: top-level options, a subcommand with positionals, an
// option group and a nested subcommand, and options hidden from people.
class SampleProgram {
public:
    SampleProgram() : app("Sample program.\n\n.A line that starts with a full stop.", "sample-prog")
    {
        app.add_flag("--verbose", verbose, "Say more");
        app.add_flag("--secret-switch", secret, "Not for people")->group("");
        CLI::App* copy = app.add_subcommand("copy", "Copy FILE to printers; -- ends the options.");
        copy->add_option("FILE", file, "Document")->required();
        copy->add_option("NAME", names, "Printer names");
        copy->add_option("--rate", rate, "Bytes per second\\second line")->capture_default_str();
        CLI::Option_group* kinds = copy->add_option_group("port", "Where the printer is: one of");
        kinds->add_option("--network", text, "Network address");
        kinds->add_flag("--usb", usb, "A USB printer");
        CLI::App* show = app.add_subcommand("show", "Show things.");
        show->add_subcommand("serial-number", "'Quoted' first word");
    }

    CLI::App app;
    std::string file, text;
    std::vector<std::string> names;
    int rate = 9600;
    bool verbose = false, secret = false, usb = false;
};

std::string ManPageOf(const CLI::App& app)
{
    ProgramInfo info;
    info.summary = "a sample";
    info.exitStatus = "0 success; 2 wrong arguments.";
    info.sections = {{"Files", "~/.config/sample.conf\nThe settings.\n\nA plain paragraph."}};
    info.seeAlso = {"other-prog(1)"};
    std::ostringstream page;
    WriteManPage(app, info, page);
    return page.str();
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// Runs a shell command and returns what it wrote to stdout (stderr joined when asked).
std::string Output(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
    return output;
}

}  // namespace

TEST(ManPage, ListsEveryVisibleOptionAndCommandWithTheirUsage)
{
    SampleProgram sample;
    const std::string page = ManPageOf(sample.app);
    EXPECT_NE(page.find(".TH SAMPLE\\-PROG 1 \"" QUARN_RELEASE_DATE "\" \"sample\\-prog " QUARN_VERSION "\""),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("sample\\-prog \\- a sample\n"), std::string::npos);
    for (const char* option : {"\\fB\\-\\-verbose\\fR", "\\fB\\-\\-rate\\fR \\fIINT\\fR", "\\fB\\-\\-network\\fR",
                               "\\fB\\-\\-usb\\fR", "\\fB\\-h\\fR, \\fB\\-\\-help\\fR"})
        EXPECT_EQ(Count(page, option), 1u) << option << "\n" << page;
    EXPECT_EQ(page.find("secret"), std::string::npos) << "a hidden option is shown";
    EXPECT_NE(page.find(".SS \"copy\"\n\\fBsample\\-prog copy\\fR [\\fIOPTION\\fR...] \\fIFILE\\fR \\fI[NAME...]\\fR\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(".SS \"show serial\\-number\"\n"), std::string::npos) << "nested commands are left out";
    EXPECT_NE(page.find("Where the printer is: one of:"), std::string::npos) << "the option group has no heading";
    EXPECT_NE(page.find("(default: 9600)"), std::string::npos);
    EXPECT_NE(page.find(".SH EXIT STATUS\n0 success; 2 wrong arguments.\n"), std::string::npos);
    EXPECT_NE(page.find(".SH FILES\n.TP\n\\fB~/.config/sample.conf\\fR\nThe settings.\n.PP\nA plain paragraph.\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(".SH SEE ALSO\n\\fBother\\-prog\\fR(1)\n"), std::string::npos);
}

TEST(ManPage, TextIsTakenLiterallyByRoff)
{
    EXPECT_EQ(RoffText(".start\n'quote\n  back\\slash and --dash"), "\\&.start\n\\&'quote\nback\\eslash and \\-\\-dash\n");
    EXPECT_EQ(RoffText("one\n\ntwo"), "one\n.PP\ntwo\n");

    // What man shows is the last word: groff must find nothing to warn about, and the text
    // must come out as written.
    TemporaryFolder folder;
    const auto path = folder.Path() / "sample-prog.1";
    SampleProgram sample;
    std::ofstream(path) << ManPageOf(sample.app);
    const std::string warnings = Output("groff -man -Tutf8 -ww -z '" + path.string() + "' 2>&1");
    EXPECT_EQ(warnings, "");
    const std::string shown = Output("MANWIDTH=200 LC_ALL=C.UTF-8 man -l '" + path.string() + "' 2>&1");
    EXPECT_NE(shown.find(".A line that starts with a full stop."), std::string::npos) << shown;
    EXPECT_NE(shown.find("Bytes per second\\second line"), std::string::npos) << shown;
    EXPECT_NE(shown.find("'Quoted' first word"), std::string::npos) << shown;
    EXPECT_NE(shown.find("--rate INT"), std::string::npos) << shown;
}

TEST(BashCompletion, CompletesCommandsAndOptionsWhereTheyMayFollowAndFilesElsewhere)
{
    TemporaryFolder folder;
    const auto script = folder.Path() / "completion.bash";
    SampleProgram sample;
    {
        std::ofstream out(script);
        WriteBashCompletion(sample.app, out);
    }
    // Completes the last word of words as bash would, and prints the candidates.
    const auto complete = [&](const std::string& words) {
        return Output("bash --norc -c 'source \"" + script.string() + "\"; COMP_WORDS=(" + words +
                      "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _sample_prog; echo \"${COMPREPLY[*]}\"' 2>&1");
    };
    EXPECT_EQ(complete("sample-prog \"\""), "copy show\n");
    EXPECT_EQ(complete("sample-prog -"), "-h --help --verbose\n");
    EXPECT_EQ(complete("sample-prog copy doc.qps --"), "--rate --network --usb\n");
    EXPECT_EQ(complete("sample-prog show s"), "serial-number\n");
    // A value, a document or a printer name: the shell's own file names (complete -o default).
    EXPECT_EQ(complete("sample-prog copy --rate \"\""), "\n");
    EXPECT_EQ(complete("sample-prog copy \"\""), "\n");
    EXPECT_EQ(complete("sample-prog --secret"), "\n") << "a hidden option is offered";
    EXPECT_EQ(Output("bash --norc -c 'source \"" + script.string() + "\"; complete -p sample-prog'"),
              "complete -o default -F _sample_prog sample-prog\n");
}
