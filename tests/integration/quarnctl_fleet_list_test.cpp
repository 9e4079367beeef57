// quarnctl import and export: a fleet list goes in whole or not at all, every bad line is
// named, a dry run saves nothing, and a document goes out and back in byte for byte.
#include <fstream>

#include "quarnctl_fixture.h"

namespace {

class QuarnctlFleetList : public QuarnctlTest {
protected:
    std::string WriteList(const std::string& name, const std::string& text)
    {
        const std::filesystem::path path = m_folder.Path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(QuarnctlFleetList, AListWithBadLinesChangesNothingAndNamesEveryOne)
{
    ASSERT_EQ(Run({"add", Doc(), "--network", "10.0.0.9", "--name", "Kept"}).exitStatus, 0);
    const std::string before = Bytes();
    const std::string list = WriteList("fleet.csv", "name;kind;port\n"
                                                    "Fine;network;10.0.0.1\n"
                                                    "Typo;netwrk;10.0.0.2\n"
                                                    "Kept;network;10.0.0.3\n");
    const auto refused = Run({"import", Doc(), list});
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(Contains(refused.err, "\n  line 3, column kind: 'netwrk'")) << refused.err;
    EXPECT_TRUE(Contains(refused.err, "\n  line 4, column name: 'Kept' is already")) << refused.err;
    EXPECT_EQ(Bytes(), before) << "one bad line keeps every line out";

    const std::string good = WriteList("good.csv", "kind,port,name,download_file\nnetwork,10.0.0.1,Fine,x.prn\n");
    const auto dryRun = Run({"import", Doc(), good, "--dry-run"});
    EXPECT_EQ(dryRun.exitStatus, 0) << dryRun.err;
    EXPECT_TRUE(dryRun.out.starts_with("Fine\nDry run: 1 printers")) << dryRun.out;
    EXPECT_EQ(Bytes(), before) << "a dry run saves nothing";

    const auto imported = Run({"import", Doc(), good});
    ASSERT_EQ(imported.exitStatus, 0) << imported.err;
    EXPECT_EQ(imported.out, "Fine\n");
    const auto list2 = Run({"list", Doc(), "--json"});
    EXPECT_TRUE(Contains(list2.out, "\"downloadFile\": \"" + (m_folder.Path() / "x.prn").string() + "\""))
        << "a relative download file is taken from the list's folder: " << list2.out;
}

TEST_F(QuarnctlFleetList, ExportThenImportIntoAnEmptyDocumentGivesTheSameDocument)
{
    ASSERT_EQ(Run({"add", Doc(), "--network", "10.0.0.5", "--tcp-port", "9101", "--name", "=cmd|' /C calc'!A0",
                   "--model", "QL, \"wide\"", "--no-calibrate"})
                  .exitStatus,
              0);
    ASSERT_EQ(Run({"add", Doc(), "--serial", "ttyS3", "--name", "-serial", "--baud", "19200", "--parity", "odd",
                   "--flow", "xonxoff"})
                  .exitStatus,
              0);
    ASSERT_EQ(Run({"add", Doc(), "--parallel", "lp1", "--name", "two\nlines"}).exitStatus, 0);
    ASSERT_EQ(Run({"set-file", Doc(), WriteList("a;b.prn", "x"), "two\nlines"}).exitStatus, 0);

    const auto toStdout = Run({"export", Doc()});
    ASSERT_EQ(toStdout.exitStatus, 0) << toStdout.err;
    EXPECT_TRUE(Contains(toStdout.out, "\n'=cmd|' /C calc'!A0,network,10.0.0.5,9101")) << toStdout.out;
    EXPECT_TRUE(Contains(toStdout.out, "'-serial,serial,ttyS3,,")) << toStdout.out;

    const std::string csv = (m_folder.Path() / "out" / "fleet.csv").string();
    std::filesystem::create_directories(m_folder.Path() / "out");
    ASSERT_EQ(Run({"export", Doc(), "--output", csv}).exitStatus, 0);
    EXPECT_EQ(QuarnctlRunner::Slurp(csv), toStdout.out);

    const std::string copy = (m_folder.Path() / "copy.qps").string();
    const auto imported = Run({"import", copy, csv});
    ASSERT_EQ(imported.exitStatus, 0) << imported.err;
    EXPECT_EQ(QuarnctlRunner::Slurp(copy), Bytes());
}
