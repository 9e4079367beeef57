// quarnctl download end to end against simulated printers: one result line per printer, the
// exit status, every byte on the printer's side, and Ctrl-C or SIGTERM cancelling.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "ScratchFile.h"
#include "Sha256.h"
#include "SimProcess.h"
#include "TemporaryFolder.h"
#include "quarnctl_runner.h"

namespace {

using namespace std::chrono_literals;

class QuarnctlDownload : public ::testing::Test {
protected:
    std::string Doc() const { return (m_folder.Path() / "printers.qps").string(); }

    // Adds a printer without calibration at address:port and gives it a file.
    void Add(const std::string& name, const std::string& address, int port, const std::string& file)
    {
        ASSERT_EQ(m_runner.Run({"add", Doc(), "--network", address, "--tcp-port", std::to_string(port), "--name", name,
                                "--no-calibrate"})
                      .exitStatus,
                  0);
        ASSERT_EQ(m_runner.Run({"set-file", Doc(), file, name}).exitStatus, 0);
    }
    void Add(const std::string& name, const SimProcess& sim, const std::string& file)
    {
        Add(name, sim.AddressOf(name), sim.PortOf(name), file);
    }

    static std::vector<SimProcess::Connection> Of(const std::vector<SimProcess::Connection>& all, const std::string& name)
    {
        std::vector<SimProcess::Connection> found;
        for (const auto& connection : all)
            if (connection.printer == name) found.push_back(connection);
        return found;
    }

    TemporaryFolder m_folder;
    QuarnctlRunner m_runner{{{"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()},
                             {"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()},
                             {"XDG_STATE_HOME", (m_folder.Path() / "state").string()},
                             {"TMPDIR", m_folder.MakeFolder("tmp").string()},
                             {"XDG_RUNTIME_DIR", m_folder.MakePrivateFolder("run").string()}}};
};

}  // namespace

TEST_F(QuarnctlDownload, OneResultLinePerPrinterAndExitOneWhenAnyFailed)
{
    SimProcess sim({"--network", "good@127.0.0.61:0,short=700", "--network",
                    "resets@127.0.0.62:0,rate=2000000,reset=50000,rcvbuf=65536", "--network",
                    "keepsopen@127.0.0.60:0,atend=open"});
    sim.Start();
    const ScratchFile image(ScratchFile::Pattern(700 * 1024 + 3));
    const ScratchFile big(ScratchFile::Pattern(16 * 1024 * 1024));
    const ScratchFile vanished("soon gone");
    Add("good", sim, image.Path());
    Add("resets", sim, big.Path());
    // Nothing listens on this address.
    Add("refused", "127.0.0.63", sim.PortOf("good"), image.Path());
    Add("unreadable", "127.0.0.64", sim.PortOf("good"), vanished.Path());
    std::filesystem::remove(vanished.Path());
    Add("keepsopen", sim, image.Path());
    ASSERT_EQ(m_runner.Run({"max-downloads", "5"}).exitStatus, 0);

    // Named in another order, still queued and reported in the list's order.
    const auto result = m_runner.Run({"download", Doc(), "unreadable", "keepsopen", "resets", "refused", "good"});
    const auto records = sim.WaitForRecords(3);
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(result.exitStatus, 1) << result.err;
    std::istringstream lines(result.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) got.push_back(line);
    ASSERT_EQ(got.size(), 5u) << result.out;
    EXPECT_EQ(got[0], "good\tok\t" + std::to_string(700 * 1024 + 3));
    // Took every byte but never closed: done, and said to be unconfirmed.
    EXPECT_EQ(got[1], "keepsopen\tok\t" + std::to_string(700 * 1024 + 3) + "\tdelivered, not confirmed by the printer's close");
    EXPECT_EQ(got[2], "refused\tfailed\tThat port is unavailable. The printer refused the connection: its raw "
                      "printing port may be switched off.");
    EXPECT_EQ(got[3].rfind("resets\tfailed\t", 0), 0u) << got[3];
    EXPECT_GT(got[3].size(), std::string("resets\tfailed\t").size());
    EXPECT_EQ(got[4].rfind("unreadable\tfailed\t", 0), 0u) << got[4];
    EXPECT_NE(got[4].find(vanished.Path()), std::string::npos) << got[4];

    const auto good = Of(records, "good");
    ASSERT_EQ(good.size(), 1u);
    EXPECT_EQ(good[0].sha256, Sha256::Of(ScratchFile::Pattern(700 * 1024 + 3)));
    EXPECT_EQ(Of(records, "resets").size(), 1u);
}

TEST_F(QuarnctlDownload, AnEmptyFileIsSaidToBeEmptyAndAFifoIsRefusedWithoutWaiting)
{
    SimProcess sim({"--network", "empty@127.0.0.67:0", "--network", "fifo@127.0.0.68:0"});
    sim.Start();
    const ScratchFile nothing("");
    // A file that became a FIFO after it was chosen.
    const std::string fifo = m_folder.Touch("firmware.prg").string();
    Add("empty", sim, nothing.Path());
    Add("fifo", sim, fifo);
    ASSERT_EQ(std::remove(fifo.c_str()), 0);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    const auto result = m_runner.Run({"download", Doc()});
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "empty\tok\t0\tthe file was empty: nothing was sent\n"
                          "fifo\tfailed\tAn error occurred while accessing the file " + fifo +
                              ": it is a FIFO, not a regular file.\n");
    // The empty file's printer is connected to and closed, as for any file; the FIFO's never.
    const auto records = sim.Records();
    EXPECT_EQ(Of(records, "fifo").size(), 0u);
}

TEST_F(QuarnctlDownload, StallTimeoutOfOneRunEndsAPrinterThatStoppedTakingData)
{
    SimProcess sim({"--network", "stalls@127.0.0.69:0,stall=20000,rcvbuf=4096"});
    sim.Start();
    const ScratchFile big(ScratchFile::Pattern(8 * 1024 * 1024));
    Add("stalls", sim, big.Path());
    EXPECT_EQ(m_runner.Run({"download", Doc(), "--stall-timeout", "9"}).exitStatus, 2);

    const auto started = std::chrono::steady_clock::now();
    const auto result = m_runner.Run({"download", Doc(), "--stall-timeout", "10"});
    EXPECT_LT(std::chrono::steady_clock::now() - started, 40s);
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out.rfind("stalls\tfailed\t", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("The printer stopped taking data: it had taken "), std::string::npos) << result.out;
}

TEST_F(QuarnctlDownload, OnlyTheNamedPrintersDownloadAndSuccessExitsZero)
{
    SimProcess sim({"--network", "chosen@127.0.0.65:0", "--network", "other@127.0.0.66:0"});
    sim.Start();
    const ScratchFile image(ScratchFile::Pattern(300 * 1024 + 11));
    Add("chosen", sim, image.Path());
    Add("other", sim, image.Path());

    const auto result = m_runner.Run({"download", Doc(), "chosen"});
    const auto records = sim.WaitForRecords(1);
    std::this_thread::sleep_for(100ms);  // room for a connection that should not come
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "chosen\tok\t" + std::to_string(300 * 1024 + 11) + "\n");
    ASSERT_EQ(sim.Records().size(), 1u);
    EXPECT_EQ(records[0].printer, "chosen");
    EXPECT_EQ(records[0].sha256, Sha256::Of(ScratchFile::Pattern(300 * 1024 + 11)));
}

TEST_F(QuarnctlDownload, InterruptOrTerminateCancelsRunningAndQueuedDownloads)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        SimProcess sim({"--network", "stalls@127.0.0.67:0,stall=30000,rcvbuf=65536", "--network", "waits@127.0.0.68:0"});
        sim.Start();
        const ScratchFile big(ScratchFile::Pattern(16 * 1024 * 1024));
        std::filesystem::remove(Doc());
        // The list's order queues the stalled printer first; the ceiling of 1 holds the other back.
        Add("a-stalls", sim.AddressOf("stalls"), sim.PortOf("stalls"), big.Path());
        Add("b-waits", sim.AddressOf("waits"), sim.PortOf("waits"), big.Path());

        const pid_t pid = m_runner.Start({"download", Doc()});
        ASSERT_TRUE(m_runner.WaitForError("a-stalls: started"));
        std::this_thread::sleep_for(300ms);  // into the stall
        kill(pid, signal);
        const auto result = m_runner.Wait(pid);
        ASSERT_EQ(sim.Stop(), 0);

        EXPECT_EQ(result.exitStatus, 1) << result.err;
        EXPECT_EQ(result.out, "a-stalls\tcancelled\nb-waits\tcancelled\n");
        EXPECT_NE(result.err.find("2 printers: 0 ok, 0 failed, 2 cancelled in "), std::string::npos) << result.err;
        const auto records = sim.Records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].printer, "stalls");
    }
}

TEST_F(QuarnctlDownload, JsonGivesEveryPrinterItsOutcomeAndStderrTheProgressAndTheSummary)
{
    SimProcess sim({"--network", "slow@127.0.0.71:0,rate=600000", "--network",
                    "resets@127.0.0.72:0,rate=2000000,reset=50000,rcvbuf=65536", "--network", "calibrated@127.0.0.73:0"});
    sim.Start();
    const std::string slowBytes = ScratchFile::Pattern(1200 * 1024);
    const ScratchFile slowFile(slowBytes);
    const ScratchFile big(ScratchFile::Pattern(16 * 1024 * 1024));
    const ScratchFile small(ScratchFile::Pattern(2000));
    Add("slow", sim, slowFile.Path());
    Add("resets", sim, big.Path());
    Add("refused", "127.0.0.74", sim.PortOf("slow"), small.Path());
    ASSERT_EQ(m_runner.Run({"add", Doc(), "--network", sim.AddressOf("calibrated"), "--tcp-port",
                            std::to_string(sim.PortOf("calibrated")), "--name", "calibrated"})
                  .exitStatus,
              0);
    ASSERT_EQ(m_runner.Run({"set-file", Doc(), small.Path(), "calibrated"}).exitStatus, 0);
    ASSERT_EQ(m_runner.Run({"max-downloads", "4"}).exitStatus, 0);

    const auto result = m_runner.Run({"download", Doc(), "--json"});
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const nlohmann::json outcomes = nlohmann::json::parse(result.out);  // nothing else on stdout
    ASSERT_TRUE(outcomes.is_array());
    ASSERT_EQ(outcomes.size(), 4u);
    const std::set<std::string> keys = {"printer", "model", "port_kind", "port", "file", "file_size", "sha256",
                                        "bytes_taken", "result", "confirmed", "code", "text", "detail", "calibration",
                                        "calibration_message", "started", "ended", "duration_s"};
    std::map<std::string, nlohmann::json> byName;
    for (const auto& outcome : outcomes) {
        std::set<std::string> got;
        for (const auto& [key, value] : outcome.items()) got.insert(key);
        EXPECT_EQ(got, keys) << outcome.dump();
        byName[outcome["printer"]] = outcome;
    }

    const auto& calibrated = byName["calibrated"];
    EXPECT_EQ(calibrated["result"], "ok");
    EXPECT_EQ(calibrated["calibration"], "done");
    EXPECT_EQ(calibrated["port_kind"], "network");
    EXPECT_EQ(calibrated["port"], sim.AddressOf("calibrated") + ":" + std::to_string(sim.PortOf("calibrated")));

    const auto& slow = byName["slow"];
    EXPECT_EQ(slow["result"], "ok");
    EXPECT_EQ(slow["confirmed"], true);
    EXPECT_EQ(slow["code"], 0);
    EXPECT_EQ(slow["text"], "");
    EXPECT_EQ(slow["file"], slowFile.Path());
    EXPECT_EQ(slow["file_size"], slowBytes.size());
    EXPECT_EQ(slow["bytes_taken"], slowBytes.size());
    EXPECT_EQ(slow["sha256"], Sha256::Of(slowBytes));
    EXPECT_EQ(slow["calibration"], "none");
    EXPECT_GT(slow["duration_s"].get<double>(), 1.0);
    EXPECT_LE(slow["started"].get<std::string>(), slow["ended"].get<std::string>());
    EXPECT_EQ(slow["ended"].get<std::string>().back(), 'Z');

    const auto& resets = byName["resets"];
    EXPECT_EQ(resets["result"], "failed");
    EXPECT_TRUE(resets["sha256"].is_null());
    EXPECT_GE(resets["bytes_taken"].get<std::uint64_t>(), 50000u);
    EXPECT_LT(resets["bytes_taken"].get<std::uint64_t>(), 16u * 1024 * 1024);
    EXPECT_EQ(resets["confirmed"], false);

    const auto& refused = byName["refused"];
    EXPECT_EQ(refused["result"], "failed");
    EXPECT_EQ(refused["code"], 7);
    EXPECT_EQ(refused["text"], "That port is unavailable.");
    EXPECT_EQ(refused["detail"], "The printer refused the connection: its raw printing port may be switched off.");
    EXPECT_EQ(refused["bytes_taken"], 0);

    // Progress says how fast and how long; a calibrating printer says so; errors name the printer.
    EXPECT_NE(result.err.find(" left)"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("B/s, "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("calibrated: calibrating\n"), std::string::npos) << result.err;
    // The message keeps its own line break; it is not shown as an escape.
    EXPECT_NE(result.err.find("refused (127.0.0.74:" + std::to_string(sim.PortOf("slow")) +
                              "): That port is unavailable.\nThe printer refused the connection"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("4 printers: 2 ok, 2 failed, 0 cancelled in "), std::string::npos) << result.err;
}

TEST_F(QuarnctlDownload, TheJournalRecordsEveryOutcomeAndDrivesRetriesSkipsAndTheHistory)
{
    SimProcess sim({"--network", "good@127.0.0.75:0", "--network", "resets@127.0.0.76:0,rate=2000000,reset=50000,rcvbuf=65536"});
    sim.Start();
    const ScratchFile image(ScratchFile::Pattern(100 * 1024));
    const ScratchFile big(ScratchFile::Pattern(16 * 1024 * 1024));
    Add("good", sim, image.Path());
    Add("resets", sim, big.Path());
    Add("refused", "127.0.0.77", sim.PortOf("good"), image.Path());
    ASSERT_EQ(m_runner.Run({"max-downloads", "3"}).exitStatus, 0);
    const std::string journal = (m_folder.Path() / "site" / "journal.jsonl").string();
    const auto Run = [&](std::vector<std::string> words) {
        words.insert(words.begin(), {"--journal", journal});
        return m_runner.Run(words);
    };

    EXPECT_EQ(Run({"download", Doc()}).exitStatus, 1);
    // The same document by another path is the same document.
    const std::string otherPath = (m_folder.Path() / "." / "printers.qps").string();
    const auto skipping = Run({"download", otherPath, "--skip-current", "--json"});
    EXPECT_EQ(skipping.exitStatus, 1) << skipping.err;
    EXPECT_NE(skipping.err.find("good skipped: already has this file\n"), std::string::npos) << skipping.err;
    const auto skipped = nlohmann::json::parse(skipping.out);
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0]["printer"], "refused");
    EXPECT_EQ(skipped[1]["printer"], "resets");

    const auto retrying = Run({"download", Doc(), "--failed"});
    EXPECT_EQ(retrying.out.find("good\t"), std::string::npos) << retrying.out;
    EXPECT_NE(retrying.out.find("refused\tfailed\t"), std::string::npos) << retrying.out;
    EXPECT_NE(retrying.out.find("resets\tfailed\t"), std::string::npos) << retrying.out;

    // A new file is not current, whatever the journal says of the old one.
    std::ofstream(image.Path(), std::ios::app) << "v2";
    const auto changed = Run({"download", Doc(), "good", "--skip-current"});
    EXPECT_EQ(changed.exitStatus, 0) << changed.err;
    EXPECT_EQ(changed.out, "good\tok\t" + std::to_string(100 * 1024 + 2) + "\n");
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_EQ(Of(sim.Records(), "good").size(), 2u);

    const auto all = nlohmann::json::parse(Run({"history", "--json"}).out);
    ASSERT_EQ(all.size(), 3u + 2u + 2u + 1u);
    for (const auto& entry : all) {
        EXPECT_EQ(entry["program"], "quarnctl");
        EXPECT_EQ(entry["document"], std::filesystem::canonical(Doc()).string());
    }
    const auto goodLines = Run({"history", Doc(), "--printer", "good"});
    EXPECT_EQ(std::count(goodLines.out.begin(), goodLines.out.end(), '\n'), 2) << goodLines.out;
    EXPECT_NE(goodLines.out.find("\tgood\t127.0.0.75:"), std::string::npos) << goodLines.out;
    EXPECT_EQ(Run({"history", "--since", "2200-01-01"}).out, "");
    EXPECT_EQ(Run({"history", "--since", "last week"}).exitStatus, 2);
    EXPECT_EQ(Run({"history", "--printer", "nobody", "--json"}).out, "[]\n");

    // A damaged line is skipped with a warning and hides nothing else.
    std::ofstream(journal, std::ios::app) << "{\"printer\":\"cut short\n";
    const auto damaged = Run({"history", "--json"});
    EXPECT_EQ(nlohmann::json::parse(damaged.out).size(), 8u);
    EXPECT_NE(damaged.err.find("1 damaged line of the download journal " + journal + " skipped"), std::string::npos)
        << damaged.err;
}

TEST_F(QuarnctlDownload, AJournalThatCannotBeWrittenWarnsOnceAndFailsNoDownload)
{
    SimProcess sim({"--network", "one@127.0.0.78:0", "--network", "two@127.0.0.79:0"});
    sim.Start();
    const ScratchFile image(ScratchFile::Pattern(5000));
    Add("one", sim, image.Path());
    Add("two", sim, image.Path());
    ASSERT_EQ(m_runner.Run({"max-downloads", "2"}).exitStatus, 0);
    const std::string blocked = (m_folder.Touch("a-file") / "journal.jsonl").string();

    const auto result = m_runner.Run({"--journal", blocked, "download", Doc()});
    ASSERT_EQ(sim.Stop(), 0);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "one\tok\t5000\ntwo\tok\t5000\n");
    std::size_t warnings = 0;
    for (std::size_t at = result.err.find("warning: the download journal"); at != std::string::npos;
         at = result.err.find("warning: the download journal", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 1u) << result.err;
}
