// The network port against simulated printers: every byte of a file arrives once and in
// order through a slow printer taking small pieces, a reset ends the download with an error
// on its one connection, and the simulator's record shows how many connections overlapped.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

#include "CNetworkPort.h"
#include "CQuarnPrinterException.h"
#include "Sha256.h"
#include "SimProcess.h"

namespace {

using namespace std::chrono_literals;

std::string MakeFile(std::size_t size, unsigned seed)
{
    std::string data(size, '\0');
    std::uint32_t state = seed;
    for (char& byte : data) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return data;
}

// How a download ended: the bytes the port accepted and the printer error that stopped it (0: none).
struct Outcome {
    std::uint64_t sent = 0;
    unsigned long error = 0;
};

// Sends the way the download thread does: 1024-byte chunks, what the port did not take is
// offered again after 10 ms. Bounded in time so that a fault cannot hang the test.
Outcome Download(CNetworkPort& port, const std::string& data, std::chrono::seconds limit = 60s)
{
    Outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    try {
        port.Open();
        while (outcome.sent < data.size() && std::chrono::steady_clock::now() < deadline) {
            const auto chunk = static_cast<std::uint32_t>(std::min<std::uint64_t>(1024, data.size() - outcome.sent));
            std::uint32_t written = 0;
            port.Write(data.data() + outcome.sent, chunk, &written);
            outcome.sent += written;
            if (written < chunk) std::this_thread::sleep_for(10ms);
        }
    } catch (CQuarnPrinterException* e) {
        outcome.error = e->m_dwCode;
        e->Delete();
    }
    port.Close();
    return outcome;
}

void PointAt(CNetworkPort& port, const SimProcess& sim, const std::string& printer)
{
    port.m_strDevice = sim.AddressOf(printer);
    port.m_nTcpPort = sim.PortOf(printer);
}

std::vector<SimProcess::Connection> ConnectionsOf(const std::vector<SimProcess::Connection>& all, const std::string& printer)
{
    std::vector<SimProcess::Connection> found;
    for (const auto& connection : all)
        if (connection.printer == printer) found.push_back(connection);
    return found;
}

TEST(NetworkPortWithSimulator, EveryByteArrivesThroughASlowPrinterTakingSmallPieces)
{
    SimProcess sim({"--network", "slow@127.0.0.2:0,rate=4000000,short=1500"});
    sim.Start();
    const std::string file = MakeFile(3 * 1024 * 1024 + 517, 1);
    CNetworkPort port;
    PointAt(port, sim, "slow");

    const Outcome outcome = Download(port, file);
    EXPECT_EQ(outcome.error, 0u);
    EXPECT_EQ(outcome.sent, file.size());
    const auto connections = sim.WaitForRecords(1);
    ASSERT_EQ(sim.Stop(), 0);

    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].printer, "slow");
    EXPECT_EQ(connections[0].address, "127.0.0.2");
    EXPECT_EQ(connections[0].bytes, file.size());
    EXPECT_EQ(connections[0].sha256, Sha256::Of(file));
    EXPECT_EQ(connections[0].end, "closed by client");
}

TEST(NetworkPortWithSimulator, ResetByThePrinterEndsTheDownloadWithAnErrorOnItsOneConnection)
{
    SimProcess sim({"--network", "resets@127.0.0.3:0,rate=1000000,reset=100000,rcvbuf=65536"});
    sim.Start();
    const std::string file = MakeFile(16 * 1024 * 1024, 2);
    CNetworkPort port;
    PointAt(port, sim, "resets");

    const Outcome outcome = Download(port, file, 20s);
    EXPECT_TRUE(outcome.error == kPlatformErrorBase + ECONNRESET || outcome.error == kPlatformErrorBase + EPIPE)
        << "error " << outcome.error << " after " << outcome.sent << " bytes";
    EXPECT_LT(outcome.sent, file.size());
    sim.WaitForRecords(1);
    // A reconnect would show as a second connection; give it the time to appear.
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(sim.Stop(), 0);

    const auto connections = sim.Records();
    ASSERT_EQ(connections.size(), 1u) << "the port connected again after the reset";
    EXPECT_EQ(connections[0].bytes, 100000u);
    EXPECT_EQ(connections[0].sha256, Sha256::Of(file.substr(0, 100000)));
    EXPECT_EQ(connections[0].end, "reset by simulator");
}

TEST(NetworkPortWithSimulator, StalledPrinterTakesNothingMoreAndTheCloseDoesNotWait)
{
    SimProcess sim({"--network", "stalls@127.0.0.4:0,stall=30000,rcvbuf=65536"});
    sim.Start();
    const std::string file = MakeFile(8 * 1024 * 1024, 3);
    CNetworkPort port;
    PointAt(port, sim, "stalls");

    const Outcome outcome = Download(port, file, 1s);
    EXPECT_EQ(outcome.error, 0u);
    EXPECT_LT(outcome.sent, file.size());
    ASSERT_EQ(sim.Stop(), 0);

    const auto connections = sim.Records();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].bytes, 30000u);
    EXPECT_EQ(connections[0].sha256, Sha256::Of(file.substr(0, 30000)));
}

TEST(NetworkPortWithSimulator, RecordShowsDownloadsSideBySideAndOneAfterAnother)
{
    SimProcess sim({"--network", "p1@127.0.0.5:0,rate=2000000", "--network", "p2@127.0.0.6:0,rate=2000000",
                    "--network", "p3@127.0.0.7:0,rate=2000000"});
    sim.Start();
    const std::vector<std::string> names = {"p1", "p2", "p3"};
    const std::string file = MakeFile(512 * 1024, 4);

    std::vector<Outcome> outcomes(names.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < names.size(); ++i)
        threads.emplace_back([&, i] {
            CNetworkPort port;
            PointAt(port, sim, names[i]);
            outcomes[i] = Download(port, file);
        });
    for (auto& thread : threads) thread.join();
    const auto together = sim.WaitForRecords(3);

    // Each download waits for the printer to have everything before the next begins.
    for (std::size_t i = 0; i < names.size(); ++i) {
        CNetworkPort port;
        PointAt(port, sim, names[i]);
        Download(port, file);
        sim.WaitForRecords(together.size() + i + 1);
    }
    ASSERT_EQ(sim.Stop(), 0);
    const auto all = sim.Records();

    for (const Outcome& outcome : outcomes) EXPECT_EQ(outcome.sent, file.size());
    ASSERT_EQ(together.size(), 3u);
    EXPECT_EQ(SimProcess::MaxSimultaneous(together), 3);
    ASSERT_EQ(all.size(), 6u);
    const std::vector<SimProcess::Connection> afterwards(all.begin() + 3, all.end());
    EXPECT_EQ(SimProcess::MaxSimultaneous(afterwards), 1);
    for (const std::string& name : names) {
        const auto connections = ConnectionsOf(all, name);
        ASSERT_EQ(connections.size(), 2u);
        for (const auto& connection : connections) EXPECT_EQ(connection.sha256, Sha256::Of(file));
    }
}

TEST(SimProcessRecord, MaxSimultaneousCountsOverlapsAndNotTouchingEnds)
{
    auto connection = [](double open, double close) {
        SimProcess::Connection c;
        c.openMonotonicMs = open;
        c.closeMonotonicMs = close;
        return c;
    };
    EXPECT_EQ(SimProcess::MaxSimultaneous({}), 0);
    EXPECT_EQ(SimProcess::MaxSimultaneous({connection(0, 10), connection(10, 20), connection(20, 30)}), 1);
    EXPECT_EQ(SimProcess::MaxSimultaneous({connection(0, 10), connection(5, 20), connection(9.5, 9.75), connection(15, 30)}), 3);
}

}  // namespace
