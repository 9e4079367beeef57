// The discovery socket on the loopback only: nothing here sends a broadcast. Accepting
// answers from other hosts is tested across network namespaces by the integration tests.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "CUDPSocket.h"

namespace {

struct CollectedResults : IDiscoveryResults {
    void AppendResult(std::unique_ptr<DiscoveryResponsePacketF3> record) override { records.push_back(std::move(record)); }
    std::vector<std::unique_ptr<DiscoveryResponsePacketF3>> records;
};

int FreeUdpPort()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

void SendFromLoopback(int port, const std::vector<std::uint8_t>& datagram)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
    close(fd);
}

// A printer's answer carrying number in its address field, so that records can be told apart.
std::vector<std::uint8_t> NumberedAnswer(unsigned number)
{
    std::vector<std::uint8_t> answer(DiscoveryResponsePacketF3::kSize, 0);
    answer[0] = 0x3A;
    answer[1] = 0x2C;
    answer[2] = 0x2E;
    answer[DiscoveryResponsePacketF3::kAddressOffset] = 10;
    answer[DiscoveryResponsePacketF3::kAddressOffset + 2] = static_cast<std::uint8_t>(number >> 8);
    answer[DiscoveryResponsePacketF3::kAddressOffset + 3] = static_cast<std::uint8_t>(number);
    return answer;
}

// Sends count numbered answers back to back from 127.0.0.2, a loopback address that is not
// among the socket's own, as a crowd of printers would answer one broadcast.
void SendAnswerBurst(int port, unsigned count)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source), 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    for (unsigned i = 0; i < count; ++i) {
        const std::vector<std::uint8_t> answer = NumberedAnswer(i);
        ASSERT_EQ(sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target),
                  static_cast<ssize_t>(answer.size()));
    }
    close(fd);
}

bool WaitReadable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 2000) == 1;
}

}  // namespace

TEST(UDPSocket, KnowsThisComputersAddresses)
{
    CollectedResults results;
    CUDPSocket socket(&results, FreeUdpPort());
    ASSERT_TRUE(socket.IsUsable());
    EXPECT_TRUE(socket.m_setLocalAddresses.count("127.0.0.1"));
}

TEST(UDPSocket, AnswersFromThisComputerAreDropped)
{
    CollectedResults results;
    const int port = FreeUdpPort();
    CUDPSocket socket(&results, port);
    ASSERT_TRUE(socket.IsUsable());
    std::vector<std::uint8_t> answer(DiscoveryResponsePacketF3::kSize, 0);
    answer[0] = 0x3A;
    answer[1] = 0x2C;
    answer[2] = 0x2E;
    SendFromLoopback(port, answer);
    ASSERT_TRUE(WaitReadable(socket.Handle()));
    socket.OnReceive(0);
    EXPECT_TRUE(results.records.empty());
}

TEST(UDPSocket, APortHeldByAnotherSocketLeavesItUnusable)
{
    CollectedResults results;
    const int port = FreeUdpPort();
    CUDPSocket first(&results, port);
    CUDPSocket second(&results, port);
    EXPECT_TRUE(first.IsUsable());
    EXPECT_FALSE(second.IsUsable());
    EXPECT_FALSE(second.SendDiscoveryRequest());
}

// Thousands of printers answer one broadcast within milliseconds, long before the detection
// thread is scheduled again: the buffer must hold them all and one wake-up must take them all.
TEST(UDPSocket, AWholeSiteAnsweringAtOnceIsKeptAndTakenInOneWakeUp)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root may exceed net.core.rmem_max";
    constexpr unsigned kAnswers = 2000;
    CollectedResults results;
    const int port = FreeUdpPort();
    CUDPSocket socket(&results, port);
    ASSERT_TRUE(socket.IsUsable());
    EXPECT_GE(socket.ReceiveBufferSize(), CUDPSocket::kWantedReceiveBuffer);
    SendAnswerBurst(port, kAnswers);
    ASSERT_TRUE(WaitReadable(socket.Handle()));
    socket.OnReceive(0);
    ASSERT_EQ(results.records.size(), kAnswers);
    for (unsigned i = 0; i < kAnswers; ++i)
        ASSERT_EQ(results.records[i]->Address(), "10.0." + std::to_string(i >> 8) + "." + std::to_string(i & 0xFF))
            << "answer " << i << " out of arrival order";
    EXPECT_EQ(socket.LostDatagrams(), 0u);
}

TEST(UDPSocket, AnswersLostToAFullBufferAreCounted)
{
    constexpr unsigned kAnswers = 300;
    CollectedResults results;
    const int port = FreeUdpPort();
    CUDPSocket socket(&results, port, 4096);
    ASSERT_TRUE(socket.IsUsable());
    EXPECT_LT(socket.ReceiveBufferSize(), 64 * 1024);
    SendAnswerBurst(port, kAnswers);
    ASSERT_TRUE(WaitReadable(socket.Handle()));
    socket.OnReceive(0);
    EXPECT_GT(socket.LostDatagrams(), 0u);
    EXPECT_EQ(results.records.size() + socket.LostDatagrams(), kAnswers);
}
