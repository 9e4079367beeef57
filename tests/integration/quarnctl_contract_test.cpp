// quarnctl's contract for documents and settings: what it prints, what it writes, what it
// refuses, and that a document it cannot use or cannot save stays exactly as it was.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "CQuarnPrinters.h"
#include "quarnctl_fixture.h"

namespace {

class QuarnctlContract : public QuarnctlTest {
protected:
    void Write(const std::string& bytes) const { std::ofstream(Doc(), std::ios::binary) << bytes; }

    // Adds printers named name at 127.0.0.n, without calibration.
    void AddPrinters(std::initializer_list<std::pair<const char*, int>> printers)
    {
        for (const auto& [name, n] : printers) {
            const auto result = Run({"add", Doc(), "--network", "127.0.0." + std::to_string(n), "--name", name});
            ASSERT_EQ(result.exitStatus, 0) << result.err;
        }
    }
};

const std::string kOnePrinterDocument = std::string("\x01\x00\x00\x00", 4) + "\x09" "Printer#1" + std::string(2, '\0') +
                                        "\x0C" "CNetworkPort" + std::string("\x01\x00\x00\x00", 4) + "\x08" "10.0.0.5" +
                                        std::string("\x8C\x23\x00\x00", 4);

}  // namespace

TEST_F(QuarnctlContract, AddCreatesTheDocumentWithTheLibrarysBytes)
{
    const auto result = Run({"add", Doc(), "--network", "10.0.0.5"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Printer#1\n");
    EXPECT_EQ(Bytes(), kOnePrinterDocument);
}

TEST_F(QuarnctlContract, ListShowsEveryPrinterAsTextAndAsJson)
{
    Write(kOnePrinterDocument);
    ASSERT_EQ(Run({"add", Doc(), "--network", "10.0.0.6", "--tcp-port", "9200", "--name", "Office", "--model", "QX 4",
                   "--no-calibrate"})
                  .exitStatus,
              0);
    const std::string file = m_folder.Touch("fw/Image.qpl").string();
    ASSERT_EQ(Run({"set-file", Doc(), file, "Office"}).exitStatus, 0);

    const auto text = Run({"list", Doc()});
    EXPECT_EQ(text.exitStatus, 0);
    EXPECT_EQ(text.out, "Office\tQX 4\t10.0.0.6:9200\t" + file + "\nPrinter#1\t-\t10.0.0.5\tNone Selected\n");

    const auto json = Run({"list", Doc(), "--json"});
    ASSERT_EQ(json.exitStatus, 0);
    const auto list = nlohmann::json::parse(json.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (nlohmann::json{{"name", "Office"}, {"model", "QX 4"}, {"kind", "network"}, {"port", "10.0.0.6"},
                                       {"display", "10.0.0.6"}, {"downloadFile", file}, {"calibrate", false},
                                       {"tcpPort", 9200}}));
    EXPECT_EQ(list[1]["name"], "Printer#1");
    EXPECT_EQ(list[1]["downloadFile"], "");
    EXPECT_EQ(list[1]["calibrate"], true);
    EXPECT_EQ(list[1]["tcpPort"], 9100);
}

TEST_F(QuarnctlContract, SerialPrintersListTheirLineSettings)
{
    auto str = [](const std::string& text) { return std::string(1, static_cast<char>(text.size())) + text; };
    auto num = [](std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    Write(num(1) + str("Line") + str("") + str("") + str("CSerialPort") + num(0) + str("/dev/ttyS1") + num(19200) +
          num(7) + num(2) + num(0) + num(1) + str("ttyS1"));

    const auto json = Run({"list", Doc(), "--json"});
    ASSERT_EQ(json.exitStatus, 0) << json.err;
    const auto printer = nlohmann::json::parse(json.out).at(0);
    EXPECT_EQ(printer["kind"], "serial");
    EXPECT_EQ(printer["port"], "ttyS1");
    EXPECT_EQ(printer["baud"], 19200);
    EXPECT_EQ(printer["dataBits"], 7);
    EXPECT_EQ(printer["parity"], 2);
    EXPECT_EQ(printer["stopBits"], 0);
    EXPECT_EQ(printer["flowControl"], 1);
    EXPECT_FALSE(printer.contains("tcpPort"));
}

TEST_F(QuarnctlContract, TakenNamesAndPortsAndBadArgumentsAreRefusedWithoutAChange)
{
    AddPrinters({{"Office", 7}});
    const std::string before = Bytes();

    const auto name = Run({"add", Doc(), "--network", "127.0.0.8", "--name", "Office"});
    EXPECT_EQ(name.exitStatus, 2);
    EXPECT_NE(name.err.find("That printer name has already been used.  Please choose another name."), std::string::npos);
    const auto port = Run({"add", Doc(), "--network", "127.0.0.7", "--name", "Other"});
    EXPECT_EQ(port.exitStatus, 2);
    EXPECT_NE(port.err.find("That printer port has already been used.  Please choose another port."), std::string::npos);
    EXPECT_EQ(Run({"add", Doc(), "--network", "printer.example"}).exitStatus, 2);
    EXPECT_EQ(Run({"add", Doc(), "--network", "127.0.0.9", "--tcp-port", "0"}).exitStatus, 2);
    EXPECT_EQ(Run({"remove", Doc(), "Office", "Nobody"}).exitStatus, 2);
    EXPECT_EQ(Run({"set-file", Doc(), (m_folder.Path() / "missing.qpl").string()}).exitStatus, 2);
    EXPECT_EQ(Run({"frobnicate"}).exitStatus, 2);
    EXPECT_EQ(Run({}).exitStatus, 2);

    EXPECT_EQ(Bytes(), before);
}

TEST_F(QuarnctlContract, RemoveAndSetFileChangeOnlyTheNamedPrinters)
{
    AddPrinters({{"A", 11}, {"B", 12}, {"C", 13}});
    m_folder.Touch("fw/all.qpl");
    const std::string relative = std::filesystem::relative(m_folder.Path() / "fw/all.qpl").string();

    ASSERT_EQ(Run({"set-file", Doc(), relative}).exitStatus, 0);
    ASSERT_EQ(Run({"set-file", Doc(), "", "B"}).exitStatus, 0);
    const std::string stored = (m_folder.Path() / "fw/all.qpl").string();
    EXPECT_EQ(Run({"list", Doc()}).out, "A\t-\t127.0.0.11\t" + stored + "\nB\t-\t127.0.0.12\tNone Selected\nC\t-\t127.0.0.13\t" +
                                            stored + "\n");

    ASSERT_EQ(Run({"remove", Doc(), "A", "C"}).exitStatus, 0);
    EXPECT_EQ(Run({"list", Doc()}).out, "B\t-\t127.0.0.12\tNone Selected\n");
}

TEST_F(QuarnctlContract, MissingOrDamagedDocumentsAreNamedAndLeftAlone)
{
    const auto missing = Run({"list", Doc()});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(missing.err.find(Doc()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Doc()));

    const std::string truncated = kOnePrinterDocument.substr(0, kOnePrinterDocument.size() - 3);
    std::string unknownKind = kOnePrinterDocument;
    unknownKind.replace(unknownKind.find("CNetworkPort"), 12, "CNetworkport");
    for (const std::string& damaged : {truncated, unknownKind, kOnePrinterDocument + "junk", std::string("\x02")}) {
        Write(damaged);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"list", Doc()}, {"add", Doc(), "--network", "127.0.0.20"}, {"remove", Doc(), "x"},
              {"set-file", Doc(), ""}, {"download", Doc()}}) {
            const auto result = Run(command);
            EXPECT_EQ(result.exitStatus, 2) << command[0] << " accepted damaged bytes";
            EXPECT_NE(result.err.find(Doc()), std::string::npos) << result.err;
            EXPECT_EQ(Bytes(), damaged) << command[0] << " changed a damaged document";
        }
    }

    // A FIFO would hold the reader until a writer came; a document is a regular file.
    std::filesystem::remove(Doc());
    ASSERT_EQ(::mkfifo(Doc().c_str(), 0600), 0);
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list", Doc()}, {"remove", Doc(), "x"}}) {
        const auto result = m_runner.Wait(m_runner.Start(command), std::chrono::seconds(20));
        EXPECT_EQ(result.exitStatus, 2) << command[0];
        EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    }
}

TEST_F(QuarnctlContract, ASaveThatCannotBeWrittenLeavesTheOldDocument)
{
    AddPrinters({{"Kept", 21}});
    const std::string before = Bytes();

    m_runner.LimitFileSize(before.size() + 4);
    const auto result = Run({"add", Doc(), "--network", "127.0.0.22", "--name", "Lost"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("could not be saved"), std::string::npos) << result.err;

    EXPECT_EQ(Bytes(), before);
    // Nothing of the attempt is left beside the document.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path()))
        if (entry.is_regular_file() && entry.path().filename().string()[0] == '.' &&
            entry.path().extension() != ".lock")
            left.push_back(entry.path());
    EXPECT_TRUE(left.empty());
}

TEST_F(QuarnctlContract, ChangesMadeAtOnceAreAllKept)
{
    AddPrinters({{"First", 40}});
    // Without the lock every one of them read the document before the others saved, and the
    // last rename won: all said they added their printer, a handful were left.
    std::vector<std::pair<std::unique_ptr<QuarnctlRunner>, pid_t>> adding;
    for (int i = 1; i <= 20; ++i) {
        auto runner = std::make_unique<QuarnctlRunner>(std::map<std::string, std::string>{
            {"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()},
            {"TMPDIR", (m_folder.Path() / "tmp").string()},
            {"XDG_RUNTIME_DIR", (m_folder.Path() / "run").string()}});
        const pid_t pid = runner->Start(
            {"add", Doc(), "--network", "127.0.0." + std::to_string(40 + i), "--name", "At" + std::to_string(i)});
        adding.emplace_back(std::move(runner), pid);
    }
    for (auto& [runner, pid] : adding) {
        const auto result = runner->Wait(pid);
        EXPECT_EQ(result.exitStatus, 0) << result.err;
    }
    const auto listed = nlohmann::json::parse(Run({"list", Doc(), "--json"}).out);
    EXPECT_EQ(listed.size(), 21u);
}

TEST_F(QuarnctlContract, RepeatedNamesAreToldAtLoadAndDroppedOnlyWhenTheOperatorSaysSo)
{
    const std::string twins = std::string("\x02\x00\x00\x00", 4) + "\x04" "Twin" + std::string(2, '\0') +
                              "\x0C" "CNetworkPort" + std::string("\x01\x00\x00\x00", 4) + "\x08" "10.0.0.1" +
                              std::string("\x8C\x23\x00\x00", 4) + "\x04" "Twin" + std::string(2, '\0') +
                              "\x0C" "CNetworkPort" + std::string("\x01\x00\x00\x00", 4) + "\x08" "10.0.0.2" +
                              std::string("\x8C\x23\x00\x00", 4);
    Write(twins);
    const auto listed = Run({"list", Doc()});
    EXPECT_EQ(listed.exitStatus, 0) << listed.err;
    EXPECT_NE(listed.err.find("\"Twin\": record 1 (port 10.0.0.1) is dropped"), std::string::npos) << listed.err;

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"add", Doc(), "--network", "127.0.0.60"}, {"set-file", Doc(), ""},
          {"remove", Doc(), "Twin"}}) {
        const auto refused = Run(command);
        EXPECT_EQ(refused.exitStatus, 2) << command[0];
        EXPECT_NE(refused.err.find("--drop-duplicates"), std::string::npos) << refused.err;
        EXPECT_EQ(Bytes(), twins) << command[0];
    }

    const auto added = Run({"add", Doc(), "--network", "127.0.0.60", "--name", "New", "--drop-duplicates"});
    ASSERT_EQ(added.exitStatus, 0) << added.err;
    const auto saved = nlohmann::json::parse(Run({"list", Doc(), "--json"}).out);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1]["name"], "Twin");
    EXPECT_EQ(saved[1]["port"], "10.0.0.2");
}

TEST_F(QuarnctlContract, NamesThatAreNotPlainTextAreShownEscapedAndReachedByTheirBytes)
{
    // Would set the terminal's title, and is not UTF-8.
    const std::string name = "Bad\x1b]0;owned\x07\xff";
    const std::string shown = "Bad\\x1b]0;owned\\x07\\xff";
    const std::string hex = "4261641b5d303b6f776e656407ff";
    const auto added = Run({"add", Doc(), "--network", "127.0.0.70", "--name", name});
    ASSERT_EQ(added.exitStatus, 0) << added.err;
    EXPECT_EQ(added.out, shown + "\n");
    EXPECT_EQ(Run({"list", Doc()}).out, shown + "\t-\t127.0.0.70\tNone Selected\n");

    const auto listed = nlohmann::json::parse(Run({"list", Doc(), "--json"}).out);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["name"], "Bad\x1b]0;owned\x07\xef\xbf\xbd");
    EXPECT_EQ(listed[0]["nameHex"], hex);
    EXPECT_FALSE(listed[0].contains("portHex"));

    // A message that quotes a name quotes it escaped.
    const auto missing = Run({"remove", Doc(), "\x1b[2J"});
    EXPECT_EQ(missing.exitStatus, 2);
    EXPECT_NE(missing.err.find("'\\x1b[2J'"), std::string::npos) << missing.err;
    EXPECT_EQ(missing.err.find('\x1b'), std::string::npos);

    EXPECT_EQ(Run({"set-file", Doc(), m_folder.Touch("fw.prg").string(), "--name-hex", hex}).exitStatus, 0);
    EXPECT_EQ(nlohmann::json::parse(Run({"list", Doc(), "--json"}).out)[0]["downloadFile"],
              (m_folder.Path() / "fw.prg").string());
    EXPECT_EQ(Run({"remove", Doc(), "--name-hex", "4e6f6e65"}).exitStatus, 2);
    EXPECT_EQ(Run({"remove", Doc(), "--name-hex", "4g"}).exitStatus, 2);
    EXPECT_EQ(Run({"remove", Doc(), "--name-hex=" + hex}).exitStatus, 0);
    EXPECT_EQ(Run({"list", Doc()}).out, "");
}

TEST_F(QuarnctlContract, CeilingIsShownAndStoredWithinTheOptionsRange)
{
    EXPECT_EQ(Run({"max-downloads"}).out, "1\n");
    EXPECT_EQ(Run({"max-downloads", "5"}).exitStatus, 0);
    EXPECT_EQ(Run({"max-downloads"}).out, "5\n");
    for (const char* wrong : {"0", "100", "many"}) {
        const auto result = Run({"max-downloads", wrong});
        EXPECT_EQ(result.exitStatus, 2) << wrong;
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_EQ(Run({"max-downloads"}).out, "5\n");
}

TEST_F(QuarnctlContract, EveryCommandAnswersHelp)
{
    for (const char* command : {"list", "add", "remove", "set-file", "download", "max-downloads"}) {
        const auto result = Run({command, "--help"});
        EXPECT_EQ(result.exitStatus, 0) << command;
        EXPECT_NE(result.out.find("Usage"), std::string::npos) << command;
    }
    EXPECT_EQ(Run({"--help"}).exitStatus, 0);
}

TEST_F(QuarnctlContract, DownloadIsRefusedWhileAnotherProgramHoldsThePrinters)
{
    AddPrinters({{"A", 31}});
    ASSERT_EQ(Run({"set-file", Doc(), m_folder.Touch("fw.qpl").string()}).exitStatus, 0);
    CQuarnPrinters holder;
    ASSERT_FALSE(holder.IsAlreadyRunning());

    const auto result = Run({"download", Doc()});
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_NE(result.err.find("single-instance"), std::string::npos) << result.err;
    // The holder is this test's process, named after the refusal.
    EXPECT_NE(result.err.find("(process " + std::to_string(::getpid()) + ")."), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}
