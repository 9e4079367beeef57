// The download journal: lines that read back exactly, damage that hides nothing else,
// rotation under a lock, appends that never interleave, and a journal that cannot be written.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "CDownloadJournal.h"
#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

DownloadOutcome Outcome(const CString& printer, DownloadResult result, const std::string& sha256 = "ab12")
{
    DownloadOutcome outcome;
    outcome.printer = printer;
    outcome.model = "QL-300";
    outcome.portKind = "network";
    outcome.port = "10.0.0.7";
    outcome.file = "/srv/firmware.prg";
    outcome.fileSize = 3000;
    outcome.bytesTaken = result == DownloadResult::ok ? 3000 : 1024;
    outcome.result = result;
    outcome.confirmed = result == DownloadResult::ok;
    if (result == DownloadResult::ok) outcome.sha256 = sha256;
    outcome.started = DownloadOutcome::Clock::time_point(1'796'000'000'123ms);
    outcome.ended = outcome.started + 2900ms;
    return outcome;
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class DownloadJournalTest : public testing::Test {
protected:
    fs::path JournalPath() const { return m_folder.Path() / "state" / "quarn" / "downloads.jsonl"; }

    TemporaryFolder m_folder;
    CDownloadJournal m_journal{JournalPath()};
};

TEST_F(DownloadJournalTest, AppendedLinesReadBackWithEveryFieldExactly)
{
    DownloadOutcome failed = Outcome("Line\xff" "3", DownloadResult::failed);  // not UTF-8
    failed.code = 7;
    failed.text = "That port is unavailable.";
    failed.detail = "No answer within 10 s.";
    failed.calibration = CalibrationResult::skipped;
    DownloadOutcome ok = Outcome("Line4", DownloadResult::ok);
    ok.calibration = CalibrationResult::failed;
    ok.calibrationMessage = "Invalid Parameter.";
    EXPECT_FALSE(m_journal.Append(failed, "quarnctl", "/srv/site.qps"));
    EXPECT_FALSE(m_journal.Append(ok, "QuarnDownloader", "/srv/site.qps"));

    const std::string text = ReadAll(JournalPath());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    const CDownloadJournal::Contents contents = m_journal.Read();
    EXPECT_EQ(contents.damaged, 0u);
    ASSERT_EQ(contents.entries.size(), 2u);
    const DownloadJournalEntry& first = contents.entries[0];
    EXPECT_EQ(first.program, "quarnctl");
    EXPECT_EQ(first.document, "/srv/site.qps");
    EXPECT_FALSE(first.user.empty());
    EXPECT_LE(first.time, DownloadOutcome::Clock::now());
    EXPECT_EQ(first.outcome.printer, "Line\xff" "3");
    EXPECT_EQ(first.outcome.result, DownloadResult::failed);
    EXPECT_EQ(first.outcome.code, 7u);
    EXPECT_EQ(first.outcome.text, failed.text);
    EXPECT_EQ(first.outcome.detail, failed.detail);
    EXPECT_EQ(first.outcome.bytesTaken, 1024u);
    EXPECT_FALSE(first.outcome.sha256);
    EXPECT_EQ(first.outcome.started, failed.started);
    EXPECT_EQ(first.outcome.ended, failed.ended);
    EXPECT_EQ(first.outcome.calibration, CalibrationResult::skipped);
    const DownloadJournalEntry& second = contents.entries[1];
    EXPECT_EQ(second.program, "QuarnDownloader");
    EXPECT_EQ(second.outcome.sha256, "ab12");
    EXPECT_TRUE(second.outcome.confirmed);
    EXPECT_EQ(second.outcome.calibration, CalibrationResult::failed);
    EXPECT_EQ(second.outcome.calibrationMessage, "Invalid Parameter.");
}

TEST_F(DownloadJournalTest, DamagedLinesAreSkippedAndCountedAndHideNoOtherLine)
{
    const std::string good = CDownloadJournal::Line({Outcome("A", DownloadResult::ok), {}, "quarnctl", "u", "/d.qps"});
    std::string missingKey = good;
    missingKey.replace(missingKey.find("\"bytes_taken\""), 13, "\"bytes_given\"");
    std::string wrongResult = good;
    wrongResult.replace(wrongResult.find("\"result\":\"ok\""), 13, "\"result\":\"no\"");
    std::string negative = good;
    negative.replace(negative.find("\"file_size\":3000"), 16, "\"file_size\":-300");
    std::istringstream in(good + "\n" + good.substr(0, good.size() / 2) + "\n\n" + "[1,2]\n" + missingKey + "\n" +
                          wrongResult + "\n" + negative + "\n" + "{\"time\":\"2026-02-30T00:00:00.000Z\"}\n" + good);
    CDownloadJournal::Contents contents;
    CDownloadJournal::ReadLines(in, contents);
    EXPECT_EQ(contents.entries.size(), 2u);
    EXPECT_EQ(contents.damaged, 6u);
}

TEST_F(DownloadJournalTest, PastItsLimitTheJournalRotatesKeepingOneOlderFile)
{
    const DownloadOutcome outcome = Outcome("A", DownloadResult::ok);
    ASSERT_FALSE(m_journal.Append(outcome, "quarnctl", "/old.qps"));
    // Blank lines bring the file to its limit without adding entries.
    fs::resize_file(JournalPath(), CDownloadJournal::kRotateBytes - 10);
    {
        std::fstream file(JournalPath(), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(ReadAll(JournalPath()).find('\n') + 1));
        file << std::string(CDownloadJournal::kRotateBytes - 10 - static_cast<std::size_t>(file.tellp()), '\n');
    }
    ASSERT_FALSE(m_journal.Append(outcome, "quarnctl", "/new.qps"));
    EXPECT_EQ(fs::file_size(m_journal.OlderPath()), CDownloadJournal::kRotateBytes - 10);
    EXPECT_LT(fs::file_size(JournalPath()), 4096u);
    const CDownloadJournal::Contents contents = m_journal.Read();
    ASSERT_EQ(contents.entries.size(), 2u);
    EXPECT_EQ(contents.entries[0].document, "/old.qps");
    EXPECT_EQ(contents.entries[1].document, "/new.qps");
    EXPECT_EQ(contents.damaged, 0u);
}

TEST_F(DownloadJournalTest, AppendsFromManyWritersAtTheLimitNeverInterleaveAndRotateOnce)
{
    const DownloadOutcome outcome = Outcome("A", DownloadResult::ok);
    ASSERT_FALSE(m_journal.Append(outcome, "quarnctl", "/first.qps"));
    const std::uint64_t lineSize = fs::file_size(JournalPath());
    {
        std::ofstream file(JournalPath(), std::ios::app | std::ios::binary);
        file << std::string(CDownloadJournal::kRotateBytes - 2 * lineSize, '\n');
    }
    constexpr int kWriters = 4;
    constexpr int kLinesEach = 100;
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back([this, &outcome] {
            CDownloadJournal journal(JournalPath());
            for (int line = 0; line < kLinesEach; ++line) EXPECT_FALSE(journal.Append(outcome, "quarnctl", "/d.qps"));
        });
    }
    for (std::thread& writer : writers) writer.join();

    const CDownloadJournal::Contents contents = m_journal.Read();
    EXPECT_EQ(contents.damaged, 0u);
    ASSERT_EQ(contents.entries.size(), 1u + kWriters * kLinesEach) << "a second rotation dropped the first file";
    EXPECT_EQ(contents.entries[0].document, "/first.qps");
}

TEST_F(DownloadJournalTest, AJournalThatCannotBeWrittenWarnsOnceAndNeverRaises)
{
    const fs::path blocked = m_folder.Touch("file") / "quarn" / "downloads.jsonl";
    CDownloadJournal journal(blocked);
    const auto warning = journal.Append(Outcome("A", DownloadResult::ok), "quarnctl", "/d.qps");
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find(blocked.string()), std::string::npos) << *warning;
    EXPECT_FALSE(journal.Append(Outcome("B", DownloadResult::ok), "quarnctl", "/d.qps"));
    EXPECT_TRUE(journal.Read().entries.empty());
}

TEST_F(DownloadJournalTest, LastOutcomePerPrinterIsTheNewestOfThatDocumentOnly)
{
    m_journal.Append(Outcome("A", DownloadResult::failed), "quarnctl", "/site.qps");
    m_journal.Append(Outcome("A", DownloadResult::ok, "new"), "quarnctl", "/site.qps");
    m_journal.Append(Outcome("A", DownloadResult::cancelled), "quarnctl", "/other.qps");
    m_journal.Append(Outcome("B", DownloadResult::ok), "quarnctl", "/site.qps");
    m_journal.Append(Outcome("B", DownloadResult::cancelled), "quarnctl", "/site.qps");

    const auto last = CDownloadJournal::LastByPrinter(m_journal.Read(), "/site.qps");
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last.at("A").outcome.result, DownloadResult::ok);
    EXPECT_EQ(last.at("A").outcome.sha256, "new");
    EXPECT_EQ(last.at("B").outcome.result, DownloadResult::cancelled);
}

TEST(DownloadJournalPlace, IsUnderTheStateHomeElseUnderHome)
{
    {
        const ScopedEnvironment state("XDG_STATE_HOME", "/var/tmp/state");
        EXPECT_EQ(CDownloadJournal::DefaultPath(), "/var/tmp/state/quarn/downloads.jsonl");
    }
    const ScopedEnvironment relative("XDG_STATE_HOME", "state");
    const ScopedEnvironment home("HOME", "/home/op");
    EXPECT_EQ(CDownloadJournal::DefaultPath(), "/home/op/.local/state/quarn/downloads.jsonl");
}

TEST(DownloadOutcomeTimes, AreWrittenInUtcWithMillisecondsAndReadBack)
{
    const DownloadOutcome::Clock::time_point time(1'796'767'262'345ms);
    EXPECT_EQ(IsoUtc(time), "2026-12-08T22:01:02.345Z");
    EXPECT_EQ(ParseIsoUtc("2026-12-08T22:01:02.345Z"), time);
    EXPECT_EQ(ParseIsoUtc("2026-12-08"), DownloadOutcome::Clock::time_point(1'796'688'000'000ms));
    for (const char* bad : {"2026-13-01", "2026-02-30", "2026-12-08T25:00:00Z", "2026-12-08 ", "yesterday", "",
                            "2999-01-01", "1969-12-31"})
        EXPECT_FALSE(ParseIsoUtc(bad)) << bad;
}

}  // namespace
