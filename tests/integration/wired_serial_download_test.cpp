// Downloads through the printer list to simulated serial printers on pseudo-terminals: every
// byte at each line setting, and every byte once from a printer that holds the line with Xoff
// and lets it go with Xon, also when the hold outlasts the port's write limit.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "CQuarnPrinters.h"
#include "CSerialPort.h"
#include "RecordingWnd.h"
#include "ScopedEnvironment.h"
#include "ScratchFile.h"
#include "ScriptedUserInterface.h"
#include "SerialPrinterDocument.h"
#include "Sha256.h"
#include "SimProcess.h"
#include "SimSerialSessions.h"
#include "TemporaryFolder.h"
#include "messages.h"

namespace {

using namespace std::chrono_literals;
using Line = SerialPrinterDocument::Line;

class WiredSerialDownload : public ::testing::Test {
protected:
    TemporaryFolder m_folder;
    ScopedEnvironment m_home{"XDG_CONFIG_HOME", (m_folder.Path() / "user").string()};
    ScopedEnvironment m_dirs{"XDG_CONFIG_DIRS", (m_folder.Path() / "machine").string()};
    ScriptedUserInterface m_ui;
    RecordingWnd m_window;
    CQuarnPrinters m_printers;  // last: its printers end before the window they report to
};

TEST_F(WiredSerialDownload, EveryLineSettingDeliversTheWholeFileAndTheLineAsStored)
{
    struct Case {
        std::string name;
        Line line;
        std::string flowSeen;
    };
    const std::vector<Case> cases = {
        {"hw9600", {9600, 8, 0, 0, 2}, "hardware"},
        {"sw115200", {115200, 8, 0, 0, 1}, "software"},
        {"odd14400", {14400, 8, 1, 0, 2}, "hardware"},
        {"fast256000", {256000, 8, 2, 0, 1}, "software"},
        {"seven7e2", {19200, 7, 2, 2, 2}, "hardware"},
    };
    std::vector<std::string> arguments;
    for (const Case& c : cases)
        arguments.insert(arguments.end(), {"--serial", c.name + "@" + (m_folder.Path() / c.name).string()});
    SimProcess sim(arguments);
    sim.Start();

    // Sizes that end mid-chunk, different for each printer so a mix-up shows.
    auto length = [](std::size_t i) { return std::size_t{300000} + 1111 * i; };
    std::vector<std::unique_ptr<ScratchFile>> files;
    SerialPrinterDocument document;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        files.push_back(std::make_unique<ScratchFile>(ScratchFile::Pattern(length(i))));
        document.Add(cases[i].name, SerialPrinterDocument::PortNameOf(sim.DeviceOf(cases[i].name)), cases[i].line,
                     files.back()->Path());
    }
    document.LoadInto(m_printers, &m_window);
    m_printers.MaxSimultaneousDownloads(static_cast<int>(cases.size()));

    m_printers.DownloadToPrinters(nullptr);
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, cases.size(), 60s));
    const auto sessions = sim.WaitForSerialSessions(cases.size());
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>(cases.size(), 1));
    EXPECT_TRUE(m_ui.Texts().empty());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        const auto own = SessionsOf(sessions, cases[i].name);
        ASSERT_EQ(own.size(), 1u) << "the download opened the line more than once";
        EXPECT_EQ(own[0].bytes, length(i));
        EXPECT_EQ(own[0].sha256, Sha256::Of(ScratchFile::Pattern(length(i))));
        EXPECT_EQ(own[0].end, "closed by host");
        EXPECT_TRUE(own[0].questions.empty());
        ASSERT_TRUE(own[0].line.has_value());
        EXPECT_EQ(own[0].line->baud, static_cast<std::uint32_t>(cases[i].line.baud));
        EXPECT_EQ(own[0].line->stopBits, cases[i].line.stopBits == 2 ? 2 : 1);
        EXPECT_EQ(own[0].line->flow, cases[i].flowSeen);
        // A pseudo-terminal reports 8 data bits without parity whatever was asked, so the
        // framing is only compared where that is what was asked.
        if (cases[i].line.dataBits == 8 && cases[i].line.parity == 0) {
            EXPECT_EQ(own[0].line->dataBits, 8);
            EXPECT_EQ(own[0].line->parity, "none");
        }
    }
}

TEST_F(WiredSerialDownload, XoffHoldsTheDownloadAndXonLetsItFinishWithEveryByte)
{
    const std::string link = (m_folder.Path() / "busy").string();
    // Far beyond what the terminal buffers between the two sides, so the hold is felt.
    const std::size_t length = 4 * 1024 * 1024 + 321;
    SimProcess sim({"--serial", "busy@" + link + ",xoff-after=8192,xon-after-ms=800"});
    sim.Start();
    const ScratchFile file(ScratchFile::Pattern(length));
    SerialPrinterDocument document;
    document.Add("busy", SerialPrinterDocument::PortNameOf(sim.DeviceOf("busy")), {115200, 8, 0, 0, 1}, file.Path());
    document.LoadInto(m_printers, &m_window);

    m_printers.DownloadToPrinters(nullptr);
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1, 60s));
    const auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_BEGIN), std::vector<LPARAM>{static_cast<LPARAM>(length)});
    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_TRUE(m_ui.Texts().empty());
    ASSERT_EQ(sessions.size(), 1u);
    const auto& session = sessions[0];
    EXPECT_EQ(session.bytes, length);
    EXPECT_EQ(session.sha256, Sha256::Of(ScratchFile::Pattern(length)));
    ASSERT_EQ(session.flowControl.size(), 2u);
    EXPECT_EQ(session.flowControl[0].sent, "xoff");
    EXPECT_EQ(session.flowControl[1].sent, "xon");
    // The hold began with most of the file still to come, and the port was closed only
    // after the printer let the line go: the download waited for the Xon.
    EXPECT_LT(session.flowControl[0].afterBytes, length / 2);
    EXPECT_GE(session.closeMonotonicMs, session.flowControl[1].monotonicMs);
}

TEST_F(WiredSerialDownload, HoldLongerThanTheWriteLimitGoesOnWhereTheLineStoppedWithoutLosingOrDoublingAByte)
{
    const std::string link = (m_folder.Path() / "stubborn").string();
    const std::size_t length = 4 * 1024 * 1024 + 999;
    SimProcess sim({"--serial", "stubborn@" + link + ",xoff-after=8192,xon-after-ms=1500"});
    sim.Start();
    const ScratchFile file(ScratchFile::Pattern(length));
    SerialPrinterDocument document;
    document.Add("stubborn", SerialPrinterDocument::PortNameOf(sim.DeviceOf("stubborn")), {57600, 8, 0, 0, 1},
                 file.Path());
    CQuarnPrinterData* printer = document.LoadInto(m_printers, &m_window).at("stubborn");
    // A write limit well inside the hold, so that chunks go out in part and the rest of
    // each is read from the file again.
    auto* port = dynamic_cast<CSerialPort*>(printer->m_pPort);
    ASSERT_NE(port, nullptr);
    port->SetTimeLimits(200ms, 100ms);

    m_printers.DownloadToPrinters(nullptr);
    ASSERT_TRUE(m_window.WaitForCount(WM_DOWNLOAD_END, 1, 60s));
    const auto sessions = sim.WaitForSerialSessions(1);
    ASSERT_EQ(sim.Stop(), 0);

    EXPECT_EQ(m_window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    EXPECT_TRUE(m_ui.Texts().empty());
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(sessions[0].bytes, length);
    EXPECT_EQ(sessions[0].sha256, Sha256::Of(ScratchFile::Pattern(length)));
    ASSERT_EQ(sessions[0].flowControl.size(), 2u);
    EXPECT_LT(sessions[0].flowControl[0].afterBytes, length / 2);
}

}  // namespace
