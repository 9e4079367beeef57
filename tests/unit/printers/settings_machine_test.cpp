// The ceiling of simultaneous downloads in the user's and the machine-wide settings files.
#include <gtest/gtest.h>

#include <fstream>

#include "CSettingsMachine.h"
#include "collection_test_access.h"

namespace {

class SettingsMachine : public ::testing::Test {
protected:
    std::filesystem::path UserFile() const { return FileIn("user"); }
    std::filesystem::path MachineFile() const { return FileIn("machine"); }

    static void Write(const std::filesystem::path& file, const std::string& text)
    {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    static std::string Read(const std::filesystem::path& file)
    {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    IsolatedSettings m_settings;

private:
    std::filesystem::path FileIn(const char* folder) const
    {
        return m_settings.folder.Path() / folder / "Quarn Technologies Corporation" / "QuarnDownloader.ini";
    }
};

}  // namespace

TEST_F(SettingsMachine, NothingStoredAnywhereMeansOne)
{
    EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), 1);
    // A file without the value is no different.
    Write(UserFile(), "[Settings]\nView=1\n");
    EXPECT_EQ(CQuarnPrinters().MaxSimultaneousDownloads(), 1);
}

TEST_F(SettingsMachine, StoredValueGoesToTheUsersFileAndIsReadBack)
{
    CQuarnPrinters printers;
    printers.MaxSimultaneousDownloads(5);
    EXPECT_EQ(printers.MaxSimultaneousDownloads(), 5);
    EXPECT_NE(Read(UserFile()).find("MaxDownloads=5"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(MachineFile()));
}

TEST_F(SettingsMachine, MachineWideValueAppliesUntilTheUserStoresOne)
{
    Write(MachineFile(), "[General]\nMaxDownloads=7\n");
    EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), 7);

    CSettingsMachine().SetMaxDownloads(3);
    EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), 3);
    EXPECT_NE(Read(MachineFile()).find("MaxDownloads=7"), std::string::npos);
}

TEST_F(SettingsMachine, UnreadableValueMeansOne)
{
    Write(MachineFile(), "[General]\nMaxDownloads=7\n");
    Write(UserFile(), "[General]\nMaxDownloads=many\n");
    EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), 1);
}

// A ceiling of 0 would hold every download back for ever without a word, a stall timeout of
// 0 fail every printer that pauses.
TEST_F(SettingsMachine, ValuesOutsideTheirRangeAreTakenIntoIt)
{
    // Each file differs in size from the one before: the settings store may take a file of
    // the same size and time for unchanged.
    for (const auto& [stored, read] : {std::pair{"0", 1}, {"-5", 1}, {"100", 99}, {"99", 99}, {"2147483647", 99}}) {
        Write(UserFile(), std::string("[General]\nMaxDownloads=") + stored + "\n");
        EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), read) << stored;
    }
    Write(UserFile(), "[General]\n");
    EXPECT_EQ(CSettingsMachine().GetStallTimeout(), 120);
    for (const auto& [stored, read] : {std::pair{"0", 10}, {"10", 10}, {"3600", 3600}, {"86400", 3600}, {"soon", 120}}) {
        Write(UserFile(), std::string("[General]\nStallTimeout=") + stored + "\n");
        EXPECT_EQ(CSettingsMachine().GetStallTimeout(), read) << stored;
    }
    CSettingsMachine().SetStallTimeout(45);
    EXPECT_EQ(CSettingsMachine().GetStallTimeout(), 45);
}

TEST_F(SettingsMachine, ChangedConfigurationFoldersAreSeenAtOnce)
{
    CSettingsMachine().SetMaxDownloads(4);
    const TemporaryFolder other;
    const ScopedEnvironment home("XDG_CONFIG_HOME", other.Path().string());
    EXPECT_EQ(CSettingsMachine().GetMaxDownloads(), 1);
}
