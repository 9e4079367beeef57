// The search's life cycle where no request can be sent, so nothing leaves this machine:
// another socket holds the discovery port, and the search must end at once, empty.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "CSearchNetworkDlg.h"
#include "DiscoveryPacket.h"
#include "ScriptedUserInterface.h"

namespace {

// Holds the discovery port for the test's duration, if it was free.
class DiscoveryPortHolder {
public:
    DiscoveryPortHolder()
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        local.sin_port = htons(DISCOVERY_PORT);
        bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    ~DiscoveryPortHolder() { close(m_fd); }

private:
    int m_fd;
};

}  // namespace

TEST(NetworkSearch, EndsAtOnceWithNothingWhenTheRequestCannotBeSent)
{
    DiscoveryPortHolder holder;
    ScriptedUserInterface ui;
    CSearchNetworkDlg search;
    ASSERT_TRUE(search.StartDetection());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(search.DoModal(), IDOK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(search.Results().empty());
    EXPECT_TRUE(ui.Texts().empty());
}

TEST(NetworkSearch, CancelledSearchEndsWithoutDone)
{
    DiscoveryPortHolder holder;
    CSearchNetworkDlg search;
    ASSERT_TRUE(search.StartDetection());
    search.Cancel();  // before the search began: nothing to end, and no done message
    EXPECT_FALSE(search.WaitForEnd(200));
}
