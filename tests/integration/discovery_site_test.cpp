// A big site's search: thousands of simulated printers, one responder answering for a whole
// range of addresses in the printers' namespace, all answering one broadcast at once.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "CSearchNetworkDlg.h"
#include "DiscoveryTest.h"

namespace {

using DiscoverySite = DiscoveryTest;

constexpr const char* kSiteRange = "10.232.0.0/16";
constexpr const char* kFirstPrinter = "10.232.0.1";

// The dotted address of the fleet's printer number (1 on), counted on from 10.232.0.1.
std::string FleetAddress(unsigned number) { return "10.232." + std::to_string(number >> 8) + "." + std::to_string(number & 0xFF); }

std::vector<std::string> Fleet(unsigned count, const std::string& options = "")
{
    return {"--discovery-fleet", std::string(kFirstPrinter) + "," + std::to_string(count) + options};
}

// Only the records are collected, as the search dialog hands them over: a printer thread for
// each of thousands of answers has no place in a test that runs under the thread sanitizer.
TEST_F(DiscoverySite, ASearchAnsweredByTwoThousandPrintersAtOnceFindsEveryOne)
{
    constexpr unsigned kPrinters = 2000;
    ASSERT_TRUE(m_network.AddPrinterRange(kSiteRange));
    StartPrinters({Fleet(kPrinters), Hearing("255.255.255.255")});

    std::vector<DiscoveryResponsePacketF3> answers;
    CNetworkSearchReport report;
    {
        const NetworkNamespace::ThreadVisit visit(m_network.Program());
        ASSERT_TRUE(visit.Entered());
        CSearchNetworkDlg search;
        ASSERT_TRUE(search.StartDetection(kShortSearchMs));
        ASSERT_EQ(search.DoModal(), IDOK);
        answers = search.Results();
        report = search.Report();
    }

    std::set<std::string> expected, found;
    for (unsigned number = 1; number <= kPrinters; ++number)
        expected.insert(FleetAddress(number) + " Fleet#" + std::to_string(number));
    for (const DiscoveryResponsePacketF3& answer : answers) found.insert(answer.Address() + " " + answer.Name());
    EXPECT_EQ(answers.size(), kPrinters);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(report.lostAnswers, 0u);
    EXPECT_EQ(report.answers, answers.size());
}

// The test-opens of new printers run many at a time; the merge must still keep the arrival
// order's rules: a printer that answers twice is one printer, a name already taken is not
// taken over, and every new printer gets its port and thread. Part of the merge runs in the
// wait's slices (one printer each) and the rest after it, as when a window stops asking:
// none is lost or entered twice.
TEST_F(DiscoverySite, ManyNewPrintersAreAllAddedWithTheirOwnAddressesAndNames)
{
    constexpr unsigned kPrinters = 150;
    ASSERT_TRUE(m_network.AddPrinterRange(kSiteRange));
    // One listener on every address of the range takes the test-opens of the whole fleet.
    StartPrinters({Fleet(kPrinters, ",jitter-ms=200"), {"--network", "Any@0.0.0.0:9100"},
                   Hearing("255.255.255.255"), Hearing(DiscoveryNetwork::kSubnetBroadcast)});
    Load({{"Fleet#7", DiscoveryNetwork::PrinterAddress(2)}});
    constexpr int kSlicesInTheWait = 40;
    m_ui.SettleInSlices(0, kSlicesInTheWait);

    Detect();
    EXPECT_EQ(m_ui.SlicesSettled(), kSlicesInTheWait);
    EXPECT_FALSE(m_ui.SettledAll());

    std::vector<Stored> expected;
    for (unsigned number = 1; number <= kPrinters; ++number)
        if (number != 7) expected.push_back({"Fleet#" + std::to_string(number), "CNetworkPort", FleetAddress(number), 9100});
    expected.push_back({"Fleet#7", "CNetworkPort", DiscoveryNetwork::PrinterAddress(2), 9100});
    std::vector<Stored> stored = StoredPrinters();
    // The printer that answered as Fleet#7 finds the name taken and gets a default one.
    const auto renamed = std::find_if(stored.begin(), stored.end(), [](const Stored& p) { return p.address == FleetAddress(7); });
    ASSERT_NE(renamed, stored.end());
    EXPECT_EQ(renamed->name.rfind("Printer#", 0), 0u) << renamed->name;
    stored.erase(renamed);
    auto byAddress = [](const Stored& a, const Stored& b) { return a.address < b.address; };
    std::sort(stored.begin(), stored.end(), byAddress);
    std::sort(expected.begin(), expected.end(), byAddress);
    EXPECT_EQ(stored, expected);
    EXPECT_TRUE(m_ui.Texts().empty());
    // Two broadcasts heard, so every printer answered twice; each was test-opened once.
    EXPECT_EQ(m_sim->WaitForRecords(kPrinters).size(), kPrinters);
}

}  // namespace
