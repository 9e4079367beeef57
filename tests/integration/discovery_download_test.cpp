// A printer found by the network search is a working printer: a file downloaded to it arrives
// byte for byte on the far side of the test's network.
#include "DiscoveryTest.h"
#include "ScratchFile.h"
#include "Sha256.h"
#include "messages.h"

namespace {

using namespace std::chrono_literals;

using DiscoveryDownload = DiscoveryTest;

TEST_F(DiscoveryDownload, ADetectedPrinterReceivesItsFileByteForByte)
{
    StartPrinters({Printer("alpha", 1, "discovery,short=700"), Hearing("255.255.255.255")});
    Detect();
    POSITION pos = m_printers.GetFirstPrinter();
    ASSERT_NE(pos, nullptr) << "nothing detected";
    CQuarnPrinterData* printer = m_printers.GetNextPrinter(pos);
    ASSERT_EQ(printer->Name(), "alpha");
    const std::string bytes = ScratchFile::Pattern(3 * 1024 * 1024 + 77);
    const ScratchFile file(bytes);
    m_printers.SetDownloadFile(printer, file.Path());

    {
        const NetworkNamespace::ThreadVisit visit(m_network.Program());
        ASSERT_TRUE(visit.Entered());
        m_printers.DownloadToPrinters(nullptr);
        ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1, 60s));
    }

    // The first connection is the test-open of detection, which sends nothing.
    const auto records = m_sim->WaitForRecords(2);
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[0].bytes, 0u);
    EXPECT_EQ(records[1].peer.rfind(std::string(DiscoveryNetwork::kProgramAddress) + ":", 0), 0u) << records[1].peer;
    EXPECT_EQ(records[1].port, 9100);
    EXPECT_EQ(records[1].bytes, bytes.size());
    EXPECT_EQ(records[1].sha256, Sha256::Of(bytes));
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
}

}  // namespace
