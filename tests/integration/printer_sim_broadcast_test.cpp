// The simulator's broadcast listeners, tried inside a network namespace of this test's own
// so that no broadcast ever leaves it: what a test of the library's network search relies on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <string>
#include <gtest/gtest.h>

#include "NetworkNamespace.h"
#include "SimProcess.h"

namespace {

using namespace std::chrono_literals;

const std::string kRequest("\x2E\x2C\x3A\x01\x00\x00", 6);

// Sends one request from a socket bound to any address on the discovery port, as a host's
// search does, and collects every datagram until none comes for half a second: the sender's
// endpoint, and the datagram's length and name.
std::multimap<std::string, std::string> Ask(const std::string& address, int port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // The simulator's sockets on the same port let others share it.
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) ADD_FAILURE() << "cannot bind the discovery port";
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &target.sin_addr);
    sendto(fd, kRequest.data(), kRequest.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);

    std::multimap<std::string, std::string> answers;
    pollfd waiter{fd, POLLIN, 0};
    // Bounded: the printers of one test answer a handful of times at most.
    for (int i = 0; i < 16 && poll(&waiter, 1, 500) == 1; ++i) {
        char datagram[1024] = {};
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t got = recvfrom(fd, datagram, sizeof datagram - 1, 0, reinterpret_cast<sockaddr*>(&from), &length);
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        answers.emplace(std::string(text) + ":" + std::to_string(ntohs(from.sin_port)),
                        std::to_string(got) + " " + (got > 84 ? std::string(datagram + 84) : std::string()));
    }
    close(fd);
    return answers;
}

TEST(PrinterSimBroadcast, EveryDiscoveryPrinterAnswersABroadcastFromItsOwnAddress)
{
    if (!EnterOwnNetworkNamespace()) GTEST_SKIP() << "no network namespace of our own can be made here";
    SimProcess sim({"--discovery-broadcast", "127.255.255.255", "--network", "first@127.0.0.2:0,discovery",
                    "--network", "second@127.0.0.3:0,discovery-repeat=2", "--network", "hidden@127.0.0.4:0"});
    sim.Start();

    // The host hears its own broadcast too, as the library's search does.
    const std::multimap<std::string, std::string> expected = {{"127.0.0.1:4201", "6 "},
                                                              {"127.0.0.2:4201", "432 first"},
                                                              {"127.0.0.3:4201", "432 second"},
                                                              {"127.0.0.3:4201", "432 second"}};
    EXPECT_EQ(Ask("127.255.255.255", 4201), expected);

    const auto events = sim.WaitForDiscoveryEvents(5);
    std::size_t requests = 0;
    for (const auto& event : events) {
        if (event.answer) continue;
        ++requests;
        EXPECT_EQ(event.via, "127.255.255.255:4201");
        EXPECT_TRUE(event.answered);
    }
    EXPECT_EQ(requests, 2u) << "one request heard by each discovery printer";
}

TEST(PrinterSimBroadcast, ABroadcastListenerLeavesUnicastToThePrinters)
{
    if (!EnterOwnNetworkNamespace()) GTEST_SKIP() << "no network namespace of our own can be made here";
    SimProcess sim({"--discovery-broadcast", "127.255.255.255", "--network", "only@127.0.0.2:0,discovery"});
    sim.Start();
    const std::multimap<std::string, std::string> expected = {{"127.0.0.2:4201", "432 only"}};
    EXPECT_EQ(Ask("127.0.0.2", 4201), expected);
}

}  // namespace
