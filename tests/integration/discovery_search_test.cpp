// The network search end to end: simulated printers in a namespace of their own answer the
// library's broadcast, and auto-detection merges what they said into the printer list.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "DiscoveryTest.h"
#include "FakeUSBDevices.h"

namespace {

using namespace std::chrono_literals;

using DiscoverySearch = DiscoveryTest;

TEST_F(DiscoverySearch, TwoAnsweringPrintersAreAddedWithTheNamesAndAddressesTheyGave)
{
    StartPrinters({Printer("alpha", 1), Printer("beta", 2), Printer("silent", 3, "rate=1000000"),
                   Hearing("255.255.255.255")});

    Detect();

    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{Network("alpha", 1), Network("beta", 2)}));
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
    EXPECT_EQ(m_ui.SearchWaitsShown(), 1);
}

TEST_F(DiscoverySearch, APrinterKnownUnderAnotherNameIsRenamedNotAddedAgain)
{
    StartPrinters({Printer("alpha", 1), Hearing("255.255.255.255")});
    Load({{"Shipping", DiscoveryNetwork::PrinterAddress(1)}});
    m_printers.SetModified(false);

    Detect();

    // Only the rename can have marked the list.
    EXPECT_EQ(StoredPrinters(), std::vector<Stored>{Network("alpha", 1)});
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(DiscoverySearch, APrinterThatAnswersTwiceIsAddedOnce)
{
    StartPrinters({Printer("alpha", 1, "discovery-repeat=2"), Hearing("255.255.255.255")});

    Detect();

    EXPECT_EQ(AnswersSent(2), (std::multiset<std::string>{"alpha", "alpha"}));
    EXPECT_EQ(StoredPrinters(), std::vector<Stored>{Network("alpha", 1)});
}

// Each search has its own thread and socket: the second one can take the discovery port again
// and brings only its own answers.
TEST_F(DiscoverySearch, ASecondSearchFindsWhatAnswersItAndKeepsTheFirstFinds)
{
    StartPrinters({Printer("alpha", 1), Hearing("255.255.255.255")});
    Detect();
    ASSERT_EQ(m_sim->Stop(), 0);

    StartPrinters({Printer("beta", 2), Hearing("255.255.255.255")});
    Detect();

    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{Network("alpha", 1), Network("beta", 2)}));
    EXPECT_EQ(m_ui.SearchWaitsShown(), 2);
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(DiscoverySearch, ACancelledSearchAddsNoNetworkPrinterButTheUSBFindsStay)
{
    StartPrinters({Printer("alpha", 1), Hearing("255.255.255.255")});
    const FakeUSBDevices devices{"lp0", "lp1"};
    m_ui.CancelSearchesAfter(1500);

    // The whole search period, so only the cancel can end it.
    Detect(dsAll, 10000);

    // The answer came in before the cancel and still adds nothing.
    EXPECT_EQ(AnswersSent(1), std::multiset<std::string>{"alpha"});
    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{{"Printer#1", "CUSBPort", devices.PathOf("lp0"), 0},
                                                     {"Printer#2", "CUSBPort", devices.PathOf("lp1"), 0}}));
    EXPECT_EQ(m_ui.SearchWaitsShown(), 1);
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(DiscoverySearch, WithoutAnswersTheSearchTakesItsTenSecondsAndAddsNothing)
{
    // Printers are there, but none of them takes part in discovery.
    StartPrinters({Printer("quiet", 1, "rate=1000000"), Hearing("255.255.255.255")});

    const auto started = std::chrono::steady_clock::now();
    Detect(dsNetwork, 10000);
    const auto took = std::chrono::steady_clock::now() - started;

    EXPECT_GE(took, 9900ms);
    EXPECT_LT(took, 30s);
    EXPECT_EQ(m_printers.GetPrinterCount(), 0);
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
    EXPECT_EQ(m_ui.SearchWaitsShown(), 1);
}

TEST_F(DiscoverySearch, AnAnswerAfterTheSearchPeriodIsNotAdded)
{
    const std::string late = "discovery-delay-ms=" + std::to_string(kShortSearchMs + 3000);
    StartPrinters({Printer("early", 1), Printer("late", 2, late), Hearing("255.255.255.255")});

    Detect();
    const auto found = StoredPrinters();

    // The late answer did go out, once the search was over.
    EXPECT_EQ(AnswersSent(2), (std::multiset<std::string>{"early", "late"}));
    EXPECT_EQ(found, std::vector<Stored>{Network("early", 1)});
    EXPECT_EQ(StoredPrinters(), found);
}

// Each of the two broadcasts the library sends reaches the printers on its own: a printer that
// hears only one of them is still found.
TEST_F(DiscoverySearch, TheLimitedBroadcastAloneReachesThePrinters)
{
    StartPrinters({Printer("alpha", 1), Printer("beta", 2), Hearing("255.255.255.255")});

    Detect();

    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{Network("alpha", 1), Network("beta", 2)}));
    for (const auto& event : m_sim->DiscoveryEvents()) {
        if (!event.answer) {
            EXPECT_EQ(event.via, "255.255.255.255:4201") << event.printer;
        }
    }
}

TEST_F(DiscoverySearch, TheSubnetBroadcastAloneReachesThePrinters)
{
    StartPrinters({Printer("alpha", 1), Printer("beta", 2), Hearing(DiscoveryNetwork::kSubnetBroadcast)});

    Detect();

    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{Network("alpha", 1), Network("beta", 2)}));
    for (const auto& event : m_sim->DiscoveryEvents()) {
        if (!event.answer) {
            EXPECT_EQ(event.via, std::string(DiscoveryNetwork::kSubnetBroadcast) + ":4201") << event.printer;
        }
    }
}

TEST_F(DiscoverySearch, BothBroadcastsHeardMakeOnePrinterEach)
{
    StartPrinters({Printer("alpha", 1), Printer("beta", 2), Hearing("255.255.255.255"),
                   Hearing(DiscoveryNetwork::kSubnetBroadcast)});

    Detect();

    EXPECT_EQ(AnswersSent(4), (std::multiset<std::string>{"alpha", "alpha", "beta", "beta"}));
    EXPECT_EQ(StoredPrinters(), (std::vector<Stored>{Network("alpha", 1), Network("beta", 2)}));
}

// A printer's answer sent from this computer's own address, as the library's own broadcast
// comes back to it, is never taken for a printer.
TEST_F(DiscoverySearch, AnAnswerFromThisComputerIsDropped)
{
    StartPrinters({Printer("alpha", 1), Hearing("255.255.255.255")});

    const NetworkNamespace::ThreadVisit visit(m_network.Program());
    ASSERT_TRUE(visit.Entered());
    std::atomic<bool> searching = true;
    // Started inside the program's namespace, so it sends from there.
    std::thread echo([&searching] {
        std::string answer(432, '\0');
        answer.replace(0, 3, "\x3A\x2C\x2E");
        // The address of a real printer, which a stray answer taken for its own would rename.
        answer.replace(72, 4, "\x0A\xE7\x00\x02", 4);
        answer.replace(84, 4, "echo");
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in self{};
        self.sin_family = AF_INET;
        inet_pton(AF_INET, DiscoveryNetwork::kProgramAddress, &self.sin_addr);
        bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self);
        self.sin_port = htons(4201);
        // Bounded: a few times a second while the search runs, at most 40 in all.
        for (int i = 0; i < 40 && searching; ++i) {
            sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&self), sizeof self);
            std::this_thread::sleep_for(100ms);
        }
        close(fd);
    });
    Detect();
    searching = false;
    echo.join();

    EXPECT_EQ(StoredPrinters(), std::vector<Stored>{Network("alpha", 1)});
}

}  // namespace
