// The simulated network printers themselves, driven by plain sockets: what other tests rely
// on when they read the record.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <gtest/gtest.h>

#include "Sha256.h"
#include "SimProcess.h"

namespace {

using namespace std::chrono_literals;

// A blocking client connection to a simulated printer, closed with the object.
class Client {
public:
    Client(const SimProcess& sim, const std::string& printer) : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(sim.PortOf(printer)));
        inet_pton(AF_INET, sim.AddressOf(printer).c_str(), &address.sin_addr);
        if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect to the simulated printer " + printer);
    }
    ~Client() { Close(); }

    void SendAll(const std::string& data)
    {
        for (std::size_t sent = 0; sent < data.size();) {
            const ssize_t n = send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            ASSERT_GT(n, 0);
            sent += static_cast<std::size_t>(n);
        }
    }
    // Closing with lingering off sends a reset instead of the orderly end.
    void Reset()
    {
        const linger abort{1, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        Close();
    }
    void Close()
    {
        if (m_fd != -1) close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

TEST(PrinterSim, RateLimitHoldsEachConnectionToItsPace)
{
    SimProcess sim({"--network", "paced@127.0.0.8:0,rate=1000000"});
    sim.Start();
    const std::string data(1500000, 'r');
    {
        Client client(sim, "paced");
        client.SendAll(data);
    }
    const auto connections = sim.WaitForRecords(1);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].bytes, data.size());
    EXPECT_EQ(connections[0].sha256, Sha256::Of(data));
    // Only a lower bound: a loaded machine may be slower, never faster. The burst is 50 ms.
    EXPECT_GE(connections[0].closeMonotonicMs - connections[0].openMonotonicMs, 1400.0);
    EXPECT_GE(connections[0].closeEpochMs, connections[0].openEpochMs);
}

TEST(PrinterSim, EndsAreRecordedAsTheyHappened)
{
    SimProcess sim({"--network", "plain@127.0.0.9:0", "--network", "silent@127.0.0.10:0,stall=0"});
    sim.Start();
    {
        Client client(sim, "plain");
        client.SendAll("first");
    }
    sim.WaitForRecords(1);
    {
        Client client(sim, "plain");
        client.SendAll("second");
        std::this_thread::sleep_for(50ms);
        client.Reset();
    }
    sim.WaitForRecords(2);
    Client stillOpen(sim, "plain");
    stillOpen.SendAll("third");
    Client unread(sim, "silent");
    unread.SendAll("never read");
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(sim.Stop(), 0);

    const auto connections = sim.Records();
    ASSERT_EQ(connections.size(), 4u);
    EXPECT_EQ(connections[0].end, "closed by client");
    EXPECT_EQ(connections[0].sha256, Sha256::Of("first"));
    EXPECT_EQ(connections[1].end, "reset by client");
    EXPECT_EQ(connections[1].bytes, 6u);
    // The two left open end with the simulator, in either order.
    for (std::size_t i = 2; i < 4; ++i) {
        EXPECT_EQ(connections[i].end, "stopped by simulator");
        if (connections[i].printer == "plain") EXPECT_EQ(connections[i].sha256, Sha256::Of("third"));
        else EXPECT_EQ(connections[i].bytes, 0u);
    }
    EXPECT_EQ(connections[0].address, "127.0.0.9");
    EXPECT_EQ(connections[0].port, sim.PortOf("plain"));
}

TEST(PrinterSim, RefusesToStartOnAPrinterItCannotSimulate)
{
    EXPECT_THROW(SimProcess({"--network", "odd@127.0.0.2:0,speed=5"}).Start(), std::runtime_error);
    EXPECT_THROW(SimProcess({"--network", "named@localhost:9100"}).Start(), std::runtime_error);
    EXPECT_THROW(SimProcess({}).Start(), std::runtime_error);
}

}  // namespace
