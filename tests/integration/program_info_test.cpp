// What the programs say about themselves: their version without a display, the downloader's
// command line refused before any window would open, and the manual pages and completion
// the build wrote from their options, complete and clean.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Ran {
    int status = -1;
    std::string output;  // stdout and stderr
};

// Runs a shell command line without a display, as a console or a package check does.
Ran RunWithoutDisplay(const std::string& command)
{
    Ran ran;
    FILE* pipe = popen(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + command + " 2>&1").c_str(), "r");
    if (!pipe) return ran;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) ran.output.append(buffer, n);
    const int status = pclose(pipe);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// The subcommands quarnctl --help lists, the list people read.
std::set<std::string> HelpSubcommands()
{
    std::istringstream help(RunWithoutDisplay(Quoted(QUARNCTL_PATH) + " --help").output);
    std::set<std::string> names;
    bool inList = false;
    for (std::string line; std::getline(help, line);) {
        if (line.rfind("Subcommands:", 0) == 0) inList = true;
        else if (inList && line.rfind("  ", 0) == 0) names.insert(line.substr(2, line.find(' ', 2) - 2));
        else if (inList && !line.empty()) break;
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> Programs()
{
    std::vector<std::pair<std::string, std::string>> programs = {{"quarnctl", QUARNCTL_PATH},
                                                                 {"quarn-printer-sim", QUARN_SIM_PATH}};
#ifdef QUARN_DOWNLOADER_PATH
    programs.emplace_back("QuarnDownloader", QUARN_DOWNLOADER_PATH);
#endif
    return programs;
}

std::vector<std::string> ManPages()
{
    std::vector<std::string> pages = {QUARNCTL_MAN_PAGE, QUARN_SIM_MAN_PAGE};
#ifdef QUARN_DOWNLOADER_MAN_PAGE
    pages.emplace_back(QUARN_DOWNLOADER_MAN_PAGE);
#endif
    return pages;
}

}  // namespace

TEST(ProgramInfo, EveryProgramSaysItsVersionAndRefusesUnknownOptionsWithoutADisplay)
{
    for (const auto& [name, path] : Programs()) {
        const Ran version = RunWithoutDisplay(Quoted(path) + " --version");
        EXPECT_EQ(version.status, 0) << name << ": " << version.output;
        EXPECT_EQ(version.output, name + " " QUARN_VERSION "\n") << name;
        // Status 2 is what every manual page gives for wrong arguments.
        const Ran wrong = RunWithoutDisplay(Quoted(path) + " --no-such-option");
        EXPECT_EQ(wrong.status, 2) << name << ": " << wrong.output;
        EXPECT_NE(wrong.output.find("Run with --help"), std::string::npos) << name << ": " << wrong.output;
    }
}

#ifdef QUARN_DOWNLOADER_PATH
TEST(ProgramInfo, DownloaderAnswersAndRefusesItsCommandLineBeforeAnyWindow)
{
    const Ran help = RunWithoutDisplay(Quoted(QUARN_DOWNLOADER_PATH) + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_NE(help.output.find("DOCUMENT"), std::string::npos) << help.output;

    // Without a display the toolkit would abort: a second document must be refused first.
    const Ran refused = RunWithoutDisplay(Quoted(QUARN_DOWNLOADER_PATH) + " one.qps two.qps");
    EXPECT_EQ(refused.status, 2) << refused.output;
    EXPECT_NE(refused.output.find("two.qps"), std::string::npos) << refused.output;
}
#endif

TEST(ProgramInfo, ManualPagesRenderCleanlyWithEveryCommand)
{
    for (const std::string& page : ManPages()) {
        const Ran warnings = RunWithoutDisplay("groff -man -Tutf8 -ww -z " + Quoted(page));
        EXPECT_EQ(warnings.output, "") << page;
        const Ran shown = RunWithoutDisplay("LC_ALL=C.UTF-8 MANWIDTH=100 man -l " + Quoted(page));
        EXPECT_EQ(shown.status, 0) << page;
        for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS"})
            EXPECT_NE(shown.output.find(std::string("\n") + section + "\n"), std::string::npos) << page << ": " << section;
    }
    const std::set<std::string> commands = HelpSubcommands();
    ASSERT_GE(commands.size(), 10u);
    const std::string page = RunWithoutDisplay("LC_ALL=C.UTF-8 MANWIDTH=200 man -l " + Quoted(QUARNCTL_MAN_PAGE)).output;
    for (const std::string& command : commands)
        EXPECT_NE(page.find("\n       quarnctl " + command), std::string::npos) << "no usage of " << command;
}

TEST(ProgramInfo, QuarnctlCompletionOffersEveryCommand)
{
    const Ran offered = RunWithoutDisplay("bash --norc -c 'source \"" QUARNCTL_COMPLETION
                            "\"; COMP_WORDS=(quarnctl \"\"); COMP_CWORD=1; _quarnctl; printf \"%s\\n\" \"${COMPREPLY[@]}\"'");
    std::istringstream lines(offered.output);
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);) names.insert(line);
    EXPECT_EQ(names, HelpSubcommands()) << offered.output;
}
