// What quarnctl tells someone finding their way: a mistyped command gets the right one
// suggested, help names each command, and the list reads well on a terminal and in a script.
#include "PseudoTerminal.h"
#include "quarnctl_fixture.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(QuarnctlTest, AMistypedCommandGetsTheClosestOneSuggestedAndTheListOfAll)
{
    for (const auto& [typed, meant] : std::vector<std::pair<std::string, std::string>>{
             {"lst", "list"}, {"downlaod", "download"}, {"imprt", "import"}, {"Export", "export"}}) {
        const auto result = Run({typed, Doc()});
        EXPECT_EQ(result.exitStatus, 2) << typed;
        EXPECT_TRUE(Contains(result.err, "unknown command '" + typed + "'; did you mean '" + meant + "'?")) << result.err;
        EXPECT_TRUE(Contains(result.err, "The commands are: list, add, import, export,")) << result.err;
    }
    const auto unrelated = Run({"frobnicate"});
    EXPECT_EQ(unrelated.exitStatus, 2);
    EXPECT_TRUE(unrelated.err.starts_with("quarnctl: unknown command 'frobnicate'\n")) << unrelated.err;
    // A document named like a command after the command is no command of its own.
    EXPECT_EQ(Run({"list", "lst"}).exitStatus, 2);
    EXPECT_FALSE(Contains(Run({"list", "lst"}).err, "unknown command"));
}

TEST_F(QuarnctlTest, HelpShowsTheProgramOrTheCommandNamed)
{
    const auto all = Run({"help"});
    EXPECT_EQ(all.exitStatus, 0);
    EXPECT_TRUE(Contains(all.out, "Usage: quarnctl [OPTIONS] SUBCOMMAND")) << all.out;
    EXPECT_TRUE(Contains(all.out, "\n  import ")) << all.out;

    const auto one = Run({"help", "export"});
    EXPECT_EQ(one.exitStatus, 0);
    EXPECT_TRUE(Contains(one.out, "Usage: quarnctl export [OPTIONS] FILE")) << one.out;

    const auto wrong = Run({"help", "lst"});
    EXPECT_EQ(wrong.exitStatus, 2);
    EXPECT_TRUE(Contains(wrong.err, "did you mean 'list'?")) << wrong.err;
}

TEST_F(QuarnctlTest, ListHasAHeaderOnATerminalNoEmptyFieldsAndTheTcpPortWhenNotTheUsualOne)
{
    ASSERT_EQ(Run({"add", Doc(), "--network", "10.0.0.5", "--name", "Usual"}).exitStatus, 0);
    ASSERT_EQ(Run({"add", Doc(), "--network", "10.0.0.6", "--tcp-port", "9101", "--name", "Second"}).exitStatus, 0);
    const std::string rows = "Second\t-\t10.0.0.6:9101\tNone Selected\nUsual\t-\t10.0.0.5\tNone Selected\n";
    EXPECT_EQ(Run({"list", Doc()}).out, rows) << "a script gets data only";

    PseudoTerminal console;
    m_runner.UseTerminal(console.DevicePath());
    m_runner.UseTerminalForOutput();
    ASSERT_EQ(Run({"list", Doc()}).exitStatus, 0);
    const std::string shown = console.Received(200, std::chrono::seconds(10));
    EXPECT_TRUE(shown.starts_with("NAME\tMODEL\tPORT\tDOWNLOAD FILE\n" + rows.substr(0, rows.find('\n')))) << shown;
}

TEST_F(QuarnctlTest, NetworkTakesAHostNameAsItsAddressAndAPortAfterAColon)
{
    // Names from /etc/hosts only: nothing leaves this machine.
    const auto added = Run({"add", Doc(), "--network", "localhost:9101", "--name", "Local"});
    ASSERT_EQ(added.exitStatus, 0) << added.err;
    EXPECT_EQ(added.out, "Local\n");
    EXPECT_TRUE(Contains(added.err, "localhost:9101 resolves to 127.0.0.1; the document keeps that address."))
        << added.err;
    const std::string before = Bytes();
    EXPECT_TRUE(Contains(Run({"list", Doc(), "--json"}).out, "\"port\": \"127.0.0.1\",\n    \"tcpPort\": 9101"))
        << Run({"list", Doc(), "--json"}).out;

    const auto outOfRange = Run({"add", Doc(), "--network", "10.0.0.5:70000"});
    EXPECT_EQ(outOfRange.exitStatus, 2);
    EXPECT_TRUE(Contains(outOfRange.err, "ends in a TCP port that is not 1 to 65535")) << outOfRange.err;
    const auto twoPorts = Run({"add", Doc(), "--network", "10.0.0.6:9101", "--tcp-port", "9102"});
    EXPECT_EQ(twoPorts.exitStatus, 2);
    EXPECT_TRUE(Contains(twoPorts.err, "name two TCP ports")) << twoPorts.err;
    EXPECT_EQ(Bytes(), before);
}

TEST_F(QuarnctlTest, ADocumentInAFolderThatDoesNotExistIsSaidToBeThere)
{
    const std::string folder = (m_folder.Path() / "no-such-folder").string();
    const std::string document = folder + "/printers.qps";
    const auto listed = Run({"list", document});
    EXPECT_EQ(listed.exitStatus, 2);
    EXPECT_TRUE(Contains(listed.err, "The folder " + folder + " of the printer settings document")) << listed.err;
    const auto added = Run({"add", document, "--network", "10.0.0.5"});
    EXPECT_EQ(added.exitStatus, 2);
    EXPECT_TRUE(Contains(added.err, "its folder " + folder + " does not exist")) << added.err;
}
