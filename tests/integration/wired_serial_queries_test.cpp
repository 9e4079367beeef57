// Questions, settings and test pages through the printer list to simulated serial printers on
// pseudo-terminals: the exact bytes each sends, the answers it makes of the printer's replies,
// and what a silent or missing printer leaves behind.
#include <gtest/gtest.h>

#include <memory>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "CPortSession.h"
#include "CQuarnPrinters.h"
#include "CSerialPort.h"
#include "RecordingWnd.h"
#include "ScriptedUserInterface.h"
#include "SerialPrinterDocument.h"
#include "SimProcess.h"
#include "SimSerialSessions.h"
#include "TemporaryFolder.h"

namespace {

using namespace std::chrono_literals;

class WiredSerialQueries : public ::testing::Test {
protected:
    // Starts the simulator with one serial printer per description ("NAME[,option...]") and loads
    // them into the list, each on its own pseudo-terminal with the stored defaults.
    void Start(const std::vector<std::string>& printers)
    {
        std::vector<std::string> arguments;
        std::vector<std::string> names;
        for (const std::string& printer : printers) {
            const std::string name = printer.substr(0, printer.find(','));
            const std::string options = printer.substr(name.size());
            arguments.insert(arguments.end(), {"--serial", name + "@" + (m_folder.Path() / name).string() + options});
            names.push_back(name);
        }
        m_sim = std::make_unique<SimProcess>(arguments);
        m_sim->Start();
        SerialPrinterDocument document;
        for (const std::string& name : names)
            document.Add(name, SerialPrinterDocument::PortNameOf(m_sim->DeviceOf(name)));
        m_loaded = document.LoadInto(m_printers, &m_window);
    }

    CQuarnPrinterData& Printer(const std::string& name) { return *m_loaded.at(name); }

    // One printer's sessions in order, once they hold the bytes expected (or 10 s have
    // passed) and the simulator has ended, so that nothing sent later could be missed. A
    // port closed and opened again at once may be seen as one session, so tests look at
    // what the sessions hold together.
    std::vector<SimProcess::SerialSession> FinalSessionsOf(const std::string& printer, std::size_t expectedBytes)
    {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (StartsOf(SessionsOf(m_sim->SerialSessions(), printer)).size() < expectedBytes &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(m_sim->Stop(), 0);
        return SessionsOf(m_sim->SerialSessions(), printer);
    }

    static std::vector<std::string> QuestionsOf(const std::vector<SimProcess::SerialSession>& sessions,
                                                bool answered)
    {
        std::vector<std::string> asked;
        for (const auto& session : sessions)
            for (const auto& question : session.questions)
                if (question.answered == answered) asked.push_back(question.asked);
        return asked;
    }

    TemporaryFolder m_folder;
    std::unique_ptr<SimProcess> m_sim;
    ScriptedUserInterface m_ui;
    RecordingWnd m_window;
    CQuarnPrinters m_printers;  // its printers end before the window they report to
    CMapStringToOb m_loaded;
};

TEST_F(WiredSerialQueries, AnswersBecomeTheSerialNumberAndTheOdometersInTheChosenUnits)
{
    Start({"talker"});
    CQuarnPrinterData& printer = Printer("talker");

    EXPECT_EQ(printer.SerialNumber(), "XJ42");
    int first = 0, second = 0;
    printer.Odometers(first, second, duInches);
    EXPECT_EQ(first, 1234);
    EXPECT_EQ(second, 56);
    // Every unit other than inches is metric.
    for (const int units : {1, 2}) {
        first = second = 0;
        printer.Odometers(first, second, static_cast<EDisplayUnits>(units));
        EXPECT_EQ(first, 3134) << units;
        EXPECT_EQ(second, 142) << units;
    }
    EXPECT_EQ(printer.HeadHistory(duMetric), "Head history\r\nLast cleaned = 2,794 cm\r\nLast replaced = 3,134 cm\r\n");

    const std::string asked = "\nURS\n\nURLi\n\nURLm\n\nURLm\n\nURHm\n";
    const auto sessions = FinalSessionsOf("talker", asked.size());
    EXPECT_EQ(StartsOf(sessions), asked);
    EXPECT_EQ(QuestionsOf(sessions, true), (std::vector<std::string>{"URS", "URLi", "URLm", "URLm", "URHm"}));
    EXPECT_TRUE(QuestionsOf(sessions, false).empty());
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(WiredSerialQueries, SilentPrinterGivesAnEmptyReadAfterFiveSecondsAndAnEmptySerialNumberAfterTwoTries)
{
    Start({"mute,silent"});
    CQuarnPrinterData& printer = Printer("mute");

    // The product's own wait, once.
    {
        CPortSession session(*printer.m_pPort);
        char answer[1000];
        std::uint32_t read = 99;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_NO_THROW(printer.m_pPort->Read(answer, sizeof answer, &read));
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(read, 0u);
        EXPECT_GE(waited, 4900ms);
        EXPECT_LT(waited, 10s);
    }

    // The two tries of the serial number with a shorter wait; the answer to both is silence.
    auto* serial = dynamic_cast<CSerialPort*>(printer.m_pPort);
    ASSERT_NE(serial, nullptr);
    serial->SetTimeLimits(500ms, 100ms);
    CString number = "unset";
    EXPECT_NO_THROW(number = printer.SerialNumber());
    EXPECT_EQ(number, "");

    const auto sessions = FinalSessionsOf("mute", 10);
    EXPECT_EQ(StartsOf(sessions), "\nURS\n\nURS\n");
    EXPECT_EQ(QuestionsOf(sessions, false), (std::vector<std::string>{"URS", "URS"}));
    EXPECT_TRUE(m_ui.Texts().empty());
}

TEST_F(WiredSerialQueries, SettingsSendExactlyTheirBytesAndAResetAnsweredNoSendsNothing)
{
    Start({"setter"});
    CQuarnPrinterData& printer = Printer("setter");

    printer.SetSerialNumber("A\"B\\");
    m_ui.QueueAnswer(IDNO);
    printer.ResetHeadOdometer();
    m_ui.QueueAnswer(IDYES);
    printer.ResetHeadOdometer();

    const std::string setSerial = "\nheS\"A\\\"B\\\\\"\r\n";
    ASSERT_EQ(setSerial.size(), 14u);
    const auto sessions = FinalSessionsOf("setter", setSerial.size() + 6);
    // The refused reset left no session of its own: the port was never opened for it.
    EXPECT_EQ(StartsOf(sessions), setSerial + "\noLr\r\n");
    ASSERT_LE(sessions.size(), 2u);
    const auto shown = m_ui.Messages();
    ASSERT_EQ(shown.size(), 2u);
    for (const auto& message : shown) {
        EXPECT_EQ(message.text, "Are you sure you want to Reset the Head Odometer?");
        EXPECT_EQ(message.style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    }
}

TEST_F(WiredSerialQueries, TestPagesGoOnPastAPrinterThatCannotBeOpenedAndShowNothing)
{
    Start({"pages"});
    SerialPrinterDocument missing;
    // Pseudo-terminal devices are numbered, so this one never exists.
    missing.Add("absent", "pts/absent");
    missing.LoadInto(m_printers, &m_window);
    // The selection's own order puts the printer that cannot be opened first.
    CMapStringToOb selection;
    for (POSITION pos = m_printers.GetFirstPrinter(); pos;) {
        CQuarnPrinterData* printer = m_printers.GetNextPrinter(pos);
        selection.emplace(printer->Name() == "absent" ? "1" : "2", printer);
    }
    ASSERT_EQ(selection.size(), 2u);

    m_printers.PrintTestPageQPL(selection);
    m_printers.PrintTestPageKPL(selection);
    EXPECT_TRUE(m_ui.Texts().empty());
    // The odometer printout, unlike a test page, tells of the printer it could not reach.
    m_printers.PrintOdometers(selection, static_cast<EDisplayUnits>(2));
    EXPECT_EQ(m_ui.Texts(), std::vector<CString>{"That port is unavailable."});

    const std::string printed = "~WC\nU\n\nURLmp\n";
    EXPECT_EQ(StartsOf(FinalSessionsOf("pages", printed.size())), printed);
}

}  // namespace
