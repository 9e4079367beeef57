// The simulated printers' discovery answers, asked by unicast on the loopback only: what tests
// of the library's network search rely on. Tests on other ports than the discovery port's own
// leave that one to whoever needs it on this machine.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "Sha256.h"
#include "NetworkNamespace.h"
#include "SimProcess.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kRequest("\x2E\x2C\x3A\x01\x00\x00", 6);

// A UDP socket on 127.0.0.1 that asks one printer at a time.
class Asker {
public:
    Asker() : m_fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in local = Address("127.0.0.1", 0);
        if (bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) throw std::runtime_error("cannot bind");
        socklen_t length = sizeof local;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_port = ntohs(local.sin_port);
    }
    ~Asker() { close(m_fd); }

    void Send(const std::string& datagram, const std::string& address, int port)
    {
        const sockaddr_in target = Address(address, port);
        ASSERT_EQ(sendto(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target),
                  static_cast<ssize_t>(datagram.size()));
    }
    // The next datagram and where it came from, or nothing within the wait.
    std::optional<std::pair<std::string, std::string>> Receive(std::chrono::milliseconds wait = 2000ms)
    {
        pollfd waiter{m_fd, POLLIN, 0};
        if (poll(&waiter, 1, static_cast<int>(wait.count())) != 1) return std::nullopt;
        std::string datagram(65536, '\0');
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = recvfrom(m_fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (got < 0) return std::nullopt;
        datagram.resize(static_cast<std::size_t>(got));
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        return std::make_pair(datagram, std::string(text) + ":" + std::to_string(ntohs(from.sin_port)));
    }
    std::string Endpoint() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    static sockaddr_in Address(const std::string& address, int port)
    {
        sockaddr_in result{};
        result.sin_family = AF_INET;
        result.sin_port = htons(static_cast<std::uint16_t>(port));
        inet_pton(AF_INET, address.c_str(), &result.sin_addr);
        return result;
    }

    int m_fd;
    int m_port = 0;
};

// The answer of a well-behaved printer, written out field by field.
std::string WellFormedAnswer(std::uint8_t lastOctet, const std::string& name)
{
    std::string record(432, '\0');
    record[0] = 0x3A;
    record[1] = 0x2C;
    record[2] = 0x2E;
    record[72] = 127;
    record[73] = 0;
    record[74] = 0;
    record[75] = static_cast<char>(lastOctet);
    record.replace(84, name.size(), name);
    return record;
}

TEST(PrinterSimDiscovery, AnswersTheRequestToItsSenderWithTheExactRecord)
{
    // In a network of its own the discovery port is surely free; where none can be made, the
    // machine's loopback serves as long as no other program holds the port.
    EnterOwnNetworkNamespace();
    SimProcess sim({"--network", "Front Desk@127.0.0.31:0,discovery"});
    sim.Start();
    Asker asker;
    asker.Send(kRequest, "127.0.0.31", 4201);
    const auto answer = asker.Receive();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->first, WellFormedAnswer(31, "Front Desk"));
    EXPECT_EQ(answer->second, "127.0.0.31:4201");
    EXPECT_FALSE(asker.Receive(200ms).has_value()) << "one answer per request";

    const auto events = sim.WaitForDiscoveryEvents(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[0].answer);
    EXPECT_EQ(events[0].printer, "Front Desk");
    EXPECT_EQ(events[0].from, asker.Endpoint());
    EXPECT_EQ(events[0].via, "127.0.0.31:4201");
    EXPECT_EQ(events[0].start, kRequest);
    EXPECT_TRUE(events[0].answered);
    EXPECT_TRUE(events[1].answer);
    EXPECT_EQ(events[1].to, asker.Endpoint());
    EXPECT_EQ(events[1].bytes, 432u);
    EXPECT_EQ(events[1].sha256, Sha256::Of(answer->first));
    EXPECT_EQ(events[1].result, "sent");
}

TEST(PrinterSimDiscovery, OtherDatagramsAreRecordedButNeverAnswered)
{
    SimProcess sim({"--discovery-port", "14202", "--network", "quiet@127.0.0.32:0,discovery"});
    sim.Start();
    Asker asker;
    const std::vector<std::string> others = {
        std::string("\x3A\x2C\x2E\x01\x00\x00", 6),  // an answer, as another printer would send it
        kRequest.substr(0, 5),
        kRequest + std::string(1, '\0'),
        std::string(3000, 'z'),
    };
    for (const std::string& datagram : others) asker.Send(datagram, "127.0.0.32", 14202);
    EXPECT_FALSE(asker.Receive(300ms).has_value());

    const auto events = sim.WaitForDiscoveryEvents(others.size());
    ASSERT_EQ(events.size(), others.size());
    for (std::size_t i = 0; i < others.size(); ++i) {
        EXPECT_FALSE(events[i].answered);
        EXPECT_EQ(events[i].bytes, others[i].size());
        EXPECT_EQ(events[i].start, others[i].substr(0, 64));
    }
}

TEST(PrinterSimDiscovery, HostileAnswersHaveExactlyTheirShape)
{
    SimProcess sim({"--discovery-port", "14203",
                    "--network", "wrong@127.0.0.41:0,discovery-signature=2E2C3A",
                    "--network", "s60@127.0.0.42:0,discovery-size=60",
                    "--network", "s80@127.0.0.43:0,discovery-size=80",
                    "--network", "s1000@127.0.0.44:0,discovery-size=1000",
                    "--network", "s5000@127.0.0.45:0,discovery-size=5000,discovery-unterminated",
                    "--network", "x@127.0.0.46:0,discovery-unterminated,discovery-name=AB%00C",
                    "--network", "twice@127.0.0.47:0,discovery-repeat=2,discovery-name=Dock%2C 2"});
    sim.Start();
    const std::string standard = WellFormedAnswer(0, "");
    std::string wrong = WellFormedAnswer(41, "wrong");
    wrong.replace(0, 3, "\x2E\x2C\x3A");
    std::string s1000 = WellFormedAnswer(44, "s1000");
    s1000.resize(1000, '\0');
    std::string s5000 = WellFormedAnswer(45, "");
    s5000.resize(5000);
    for (std::size_t i = 84; i < s5000.size(); ++i) s5000[i] = "s5000"[(i - 84) % 5];
    std::string unterminated = WellFormedAnswer(46, "");
    for (std::size_t i = 84; i < 432; ++i) unterminated[i] = std::string("AB\0C", 4)[(i - 84) % 4];

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"127.0.0.41", wrong},
        {"127.0.0.42", standard.substr(0, 60)},
        {"127.0.0.43", WellFormedAnswer(43, "").substr(0, 80)},
        {"127.0.0.44", s1000},
        {"127.0.0.45", s5000},
        {"127.0.0.46", unterminated},
        {"127.0.0.47", WellFormedAnswer(47, "Dock, 2")},
    };
    Asker asker;
    for (const auto& [address, expected] : cases) {
        asker.Send(kRequest, address, 14203);
        const auto answer = asker.Receive();
        ASSERT_TRUE(answer.has_value()) << address;
        EXPECT_EQ(answer->first.size(), expected.size()) << address;
        EXPECT_EQ(answer->first, expected) << address;
    }
    const auto second = asker.Receive();
    ASSERT_TRUE(second.has_value()) << "the duplicate of the last answer";
    EXPECT_EQ(second->first, WellFormedAnswer(47, "Dock, 2"));
    EXPECT_FALSE(asker.Receive(200ms).has_value());
}

TEST(PrinterSimDiscovery, ALateAnswerComesAfterItsDelayAndAPendingOneEndsQuietly)
{
    SimProcess sim({"--discovery-port", "14204", "--network", "late@127.0.0.51:0,discovery-delay-ms=600"});
    sim.Start();
    Asker asker;
    const auto asked = Clock::now();
    asker.Send(kRequest, "127.0.0.51", 14204);
    EXPECT_FALSE(asker.Receive(300ms).has_value());
    const auto answer = asker.Receive(5000ms);
    ASSERT_TRUE(answer.has_value());
    EXPECT_GE(Clock::now() - asked, 600ms);
    EXPECT_EQ(answer->first, WellFormedAnswer(51, "late"));

    asker.Send(kRequest, "127.0.0.51", 14204);
    sim.WaitForDiscoveryEvents(3);
    EXPECT_EQ(sim.Stop(), 0);
    const auto events = sim.DiscoveryEvents();
    ASSERT_EQ(events.size(), 3u) << "the second answer was never sent";
    EXPECT_GE(events[1].monotonicMs - events[0].monotonicMs, 600.0);
}

TEST(PrinterSimDiscovery, RefusesAnswersItCannotShape)
{
    for (const std::string option : {"discovery-size=0", "discovery-size=65508", "discovery-signature=3A2C",
                                     "discovery-signature=3A2CZZ", "discovery-repeat=0", "discovery=yes"})
        EXPECT_THROW(SimProcess({"--network", "p@127.0.0.52:0," + option}).Start(), std::runtime_error) << option;
    EXPECT_THROW(SimProcess({"--network", "p@127.0.0.52:0,discovery", "--discovery-broadcast", "everyone"}).Start(),
                 std::runtime_error);
    EXPECT_THROW(SimProcess({"--network", "p@127.0.0.52:0,discovery", "--network", "q@127.0.0.52:0,discovery"}).Start(),
                 std::runtime_error);
}

}  // namespace
