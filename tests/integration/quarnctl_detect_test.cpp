// quarnctl detect: printers found on USB (the access library's device folder, prepared by the
// test) merged into a document, what the command reports, and a second detection that finds
// nothing new. Network searches run only inside a network of the test's own.
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DiscoveryNetwork.h"
#include "NetworkNamespace.h"
#include "FakeUSBDevices.h"
#include "quarnctl_fixture.h"

namespace {

class QuarnctlDetect : public QuarnctlTest {
protected:
    // A USB printer the access library reports.
    std::string MakeUsbPrinter(const std::string& name)
    {
        m_usbDevices.Add(name);
        return m_usbDevices.PathOf(name);
    }

    // The simulator's record of the search, to tell a lost request from a lost answer.
    static std::string DiscoveryRecord(const SimProcess& sim)
    {
        std::string text;
        for (const auto& event : sim.DiscoveryEvents())
            text += event.printer + (event.answer ? " answered " + event.to + ": " + event.result
                                                  : " heard a request from " + event.from) + "\n";
        return text;
    }

    FakeUSBDevices m_usbDevices;
};

}  // namespace

TEST_F(QuarnctlDetect, UsbPrintersAreAddedOnceAndTheDocumentIsSaved)
{
    const std::string lp0 = MakeUsbPrinter("lp0");
    const std::string lp1 = MakeUsbPrinter("lp1");
    ASSERT_EQ(Run({"add", Doc(), "--network", "127.0.0.9", "--name", "Office"}).exitStatus, 0);

    const auto first = Run({"detect", Doc(), "--no-network"});
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    EXPECT_EQ(first.out, "added\tPrinter#1\t" + lp0 + "\nadded\tPrinter#2\t" + lp1 + "\n");
    EXPECT_EQ(Run({"list", Doc()}).out,
              "Office\t-\t127.0.0.9\tNone Selected\nPrinter#1\t-\tUSB\tNone Selected\nPrinter#2\t-\tUSB\tNone Selected\n");

    const std::string saved = Bytes();
    const auto second = Run({"detect", Doc(), "--no-network"});
    EXPECT_EQ(second.exitStatus, 0) << second.err;
    EXPECT_EQ(second.out, "");
    EXPECT_NE(second.err.find("no new printers"), std::string::npos) << second.err;
    EXPECT_EQ(Bytes(), saved);
}

TEST_F(QuarnctlDetect, AMissingDocumentIsCreatedEvenWhenNothingIsFound)
{
    const auto result = Run({"detect", Doc(), "--no-network"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Bytes(), std::string(4, '\0'));
}

TEST_F(QuarnctlDetect, ADamagedDocumentIsLeftAloneAndNothingIsSearched)
{
    std::ofstream(Doc(), std::ios::binary) << "\x02";
    MakeUsbPrinter("lp0");
    const auto result = Run({"detect", Doc(), "--no-network"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(Bytes(), "\x02");
    EXPECT_EQ(Run({"detect", Doc(), "--no-network", "--no-usb"}).exitStatus, 2) << "nothing to search";
}

TEST_F(QuarnctlDetect, CtrlCCancelsTheNetworkSearchAndKeepsTheUsbFinds)
{
    // The search broadcasts: only ever inside a network of the test's own.
    if (!EnterOwnNetworkNamespace()) GTEST_SKIP() << "no network namespace of our own can be made here";
    // Without a route a broadcast cannot be sent, and the search would end at once.
    if (std::system("ip -4 route add default dev lo") != 0) GTEST_SKIP() << "no route for the search's broadcast";
    const std::string lp0 = MakeUsbPrinter("lp0");

    const pid_t pid = m_runner.Start({"detect", Doc()});
    ASSERT_TRUE(m_runner.WaitForError("Ctrl-C cancels")) << "the search never showed its wait";
    kill(pid, SIGINT);
    const auto result = m_runner.Wait(pid);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.err.find("Search cancelled"), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "added\tPrinter#1\t" + lp0 + "\n");
    EXPECT_EQ(Run({"list", Doc()}).out, "Printer#1\t-\tUSB\tNone Selected\n");
}

TEST_F(QuarnctlDetect, NetworkPrintersAreAddedOrRenamedAsTheyAnswer)
{
    const DiscoveryNetwork network;
    if (!network.Ready()) GTEST_SKIP() << "no network of the test's own: " << network.WhyNot();
    const std::string office = DiscoveryNetwork::PrinterAddress(1);
    const std::string lab = DiscoveryNetwork::PrinterAddress(2);
    ASSERT_EQ(Run({"add", Doc(), "--network", lab, "--name", "Old"}).exitStatus, 0);
    SimProcess sim({"--discovery-broadcast", "255.255.255.255", "--network", "Office@" + office + ":9100,discovery",
                    "--network", "Lab\x1b[2J@" + lab + ":9100,discovery"});
    ASSERT_TRUE(network.StartPrinters(sim));

    pid_t pid = -1;
    {
        // quarnctl, and so its search, runs on the program's side of the test's network.
        const NetworkNamespace::ThreadVisit visit(network.Program());
        ASSERT_TRUE(visit.Entered());
        pid = m_runner.Start({"detect", Doc(), "--no-usb"});
    }
    const auto result = m_runner.Wait(pid);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // The answer's name would clear the operator's screen; it is shown, escaped, instead.
    EXPECT_EQ(result.out, "renamed Old to Lab\\x1b[2J at " + lab + "\nadded\tOffice\t" + office + "\n")
        << result.err << "\nwhat the printers heard and sent:\n" << DiscoveryRecord(sim);
    EXPECT_EQ(Run({"list", Doc()}).out,
              "Lab\\x1b[2J\t-\t" + lab + "\tNone Selected\nOffice\t-\t" + office + "\tNone Selected\n");
}

TEST_F(QuarnctlDetect, ASearchThatCannotAskOrHearSaysWhyAndFailsButKeepsTheUsbFinds)
{
    // The search broadcasts: only ever inside a network of the test's own.
    if (!EnterOwnNetworkNamespace()) GTEST_SKIP() << "no network namespace of our own can be made here";
    const std::string lp0 = MakeUsbPrinter("lp0");

    // No route: the broadcast cannot leave, which is not the same as a network without printers.
    const auto unrouted = Run({"detect", Doc()});
    EXPECT_EQ(unrouted.exitStatus, 1) << unrouted.err;
    EXPECT_NE(unrouted.err.find("the network search could not run: no network interface can carry"), std::string::npos)
        << unrouted.err;
    EXPECT_EQ(unrouted.err.find("no new printers"), std::string::npos) << unrouted.err;
    EXPECT_EQ(unrouted.out, "added\tPrinter#1\t" + lp0 + "\n");
    EXPECT_EQ(Run({"list", Doc()}).out, "Printer#1\t-\tUSB\tNone Selected\n");

    // Another program holds the discovery port: no answer could ever arrive.
    ASSERT_EQ(std::system("ip -4 route add default dev lo"), 0);
    const int holder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_NE(holder, -1);
    sockaddr_in port{};
    port.sin_family = AF_INET;
    port.sin_port = htons(4201);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&port), sizeof port), 0);
    const auto held = Run({"detect", Doc(), "--no-usb"});
    close(holder);
    EXPECT_EQ(held.exitStatus, 1) << held.err;
    EXPECT_NE(held.err.find("UDP port 4201 cannot be used (Address already in use)"), std::string::npos) << held.err;
    EXPECT_EQ(held.out, "");
}
