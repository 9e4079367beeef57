// quarnctl with wired printers: serial, parallel and USB printers added with their settings,
// and the questions, settings, test pages and printouts sent to simulated serial printers,
// byte for byte, with what each command says and how it ends.
#include <nlohmann/json.hpp>

#include "CQuarnPrinters.h"
#include "PseudoTerminal.h"
#include "quarnctl_fixture.h"

namespace {

class QuarnctlPrinters : public QuarnctlTest {
protected:
    // A simulated serial printer added to the document under name; its options follow its link.
    void StartSerial(const std::vector<std::pair<std::string, std::string>>& printers)
    {
        std::vector<std::string> arguments;
        for (const auto& [name, options] : printers) {
            arguments.push_back("--serial");
            arguments.push_back(name + "@" + (m_folder.Path() / name).string() + options);
        }
        m_sim = std::make_unique<SimProcess>(arguments);
        m_sim->Start();
        for (const auto& [name, options] : printers) {
            const auto added = Run({"add", Doc(), "--serial", m_sim->DeviceOf(name), "--name", name});
            ASSERT_EQ(added.exitStatus, 0) << added.err;
        }
    }

    // A parallel printer whose device does not exist: every open of its port fails.
    void AddUnreachable(const std::string& name)
    {
        ASSERT_EQ(Run({"add", Doc(), "--parallel", "lp97", "--name", name}).exitStatus, 0);
    }

    nlohmann::json Listed(std::size_t index) { return nlohmann::json::parse(Run({"list", Doc(), "--json"}).out).at(index); }

    std::unique_ptr<SimProcess> m_sim;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(QuarnctlPrinters, SerialParallelAndUsbPrintersAreStoredWithTheirSettings)
{
    const auto serial = Run({"add", Doc(), "--serial", "ttyS0", "--name", "Defaults"});
    ASSERT_EQ(serial.exitStatus, 0) << serial.err;
    EXPECT_EQ(serial.out, "Defaults\n");
    const auto set = Run({"add", Doc(), "--serial", "/dev/ttyUSB3", "--name", "Set", "--baud", "19200", "--data-bits",
                          "7", "--parity", "even", "--stop-bits", "2", "--flow", "xonxoff"});
    ASSERT_EQ(set.exitStatus, 0) << set.err;
    ASSERT_EQ(Run({"add", Doc(), "--parallel", "lp1", "--name", "Par"}).exitStatus, 0);
    const std::string usbPath = (m_folder.Path() / "usb" / "lp3").string();
    const auto usb = Run({"add", Doc(), "--usb", usbPath, "--name", "Usb"});
    ASSERT_EQ(usb.exitStatus, 0);
    EXPECT_TRUE(Contains(usb.err, "warning: " + usbPath + " is not among the USB printers")) << usb.err;

    const auto list = nlohmann::json::parse(Run({"list", Doc(), "--json"}).out);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]["name"], "Defaults");
    EXPECT_EQ(list[0]["kind"], "serial");
    EXPECT_EQ(list[0]["port"], "ttyS0");
    EXPECT_EQ((std::vector<int>{list[0]["baud"], list[0]["dataBits"], list[0]["parity"], list[0]["stopBits"],
                                list[0]["flowControl"]}),
              (std::vector<int>{9600, 8, 0, 0, 2}));
    EXPECT_EQ(list[1]["name"], "Par");
    EXPECT_EQ(list[1]["kind"], "parallel");
    EXPECT_EQ(list[1]["port"], "lp1");
    EXPECT_EQ(list[2]["name"], "Set");
    EXPECT_EQ(list[2]["port"], "ttyUSB3") << "a device path under /dev/ is stored as the port's name";
    EXPECT_EQ((std::vector<int>{list[2]["baud"], list[2]["dataBits"], list[2]["parity"], list[2]["stopBits"],
                                list[2]["flowControl"]}),
              (std::vector<int>{19200, 7, 2, 2, 1}));
    EXPECT_EQ(list[3]["kind"], "usb");
    EXPECT_EQ(list[3]["port"], usbPath);
    EXPECT_EQ(list[3]["display"], "USB");
}

TEST_F(QuarnctlPrinters, WrongSettingsAndTakenPortsAreRefusedWithTheLibrarysWordsAndNothingStored)
{
    ASSERT_EQ(Run({"add", Doc(), "--serial", "ttyS1", "--name", "First"}).exitStatus, 0);
    ASSERT_EQ(Run({"add", Doc(), "--usb", "/dev/usb/lp0", "--name", "Usb"}).exitStatus, 0);
    const std::string before = Bytes();

    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"--serial", "ttyS2", "--baud", "1000"}, "Invalid Baud Rate setting."},
        {{"--serial", "ttyS2", "--data-bits", "6"}, "Invalid Data bits setting."},
        {{"--serial", "ttyS2", "--parity", "mark"}, "Invalid Parity setting."},
        {{"--serial", "ttyS2", "--stop-bits", "0"}, "Invalid Stop bits setting."},
        {{"--serial", "ttyS2", "--flow", "none"}, "Invalid Flow control setting."},
        {{"--serial", "TTYS1"}, "That printer port has already been used.  Please choose another port."},
        {{"--usb", "/DEV/USB/LP0"}, "That printer port has already been used.  Please choose another port."},
        {{"--parallel", "lp0", "--name", "First"}, "That printer name has already been used.  Please choose another name."},
        {{"--serial", (m_folder.Path() / "tty").string()}, "is not a serial port"},
        {{"--parallel", ""}, "is not a parallel port"},
        // Existing paths that are no device: a port there would write into them.
        {{"--usb", m_folder.Touch("firmware.bin").string()}, "is not a printer device"},
        {{"--usb", m_folder.Path().string()}, "is not a printer device"},
        {{"--parallel", "/dev/shm"}, "is not a printer device"},
    };
    for (const auto& [options, message] : refusals) {
        std::vector<std::string> command = {"add", Doc()};
        command.insert(command.end(), options.begin(), options.end());
        const auto result = Run(command);
        EXPECT_EQ(result.exitStatus, 2) << options[1];
        EXPECT_TRUE(Contains(result.err, message)) << result.err;
    }
    // Options of one kind do not fit another, and a printer sits on exactly one port.
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--parallel", "lp0", "--baud", "9600"},
                                                  {"--network", "127.0.0.5", "--serial", "ttyS3"},
                                                  {"--serial", "ttyS3", "--tcp-port", "9100"},
                                                  {"--name", "Nowhere"}}) {
        std::vector<std::string> command = {"add", Doc()};
        command.insert(command.end(), wrong.begin(), wrong.end());
        EXPECT_EQ(Run(command).exitStatus, 2) << wrong[0] << ' ' << wrong[1];
    }
    EXPECT_EQ(Bytes(), before);
}

TEST_F(QuarnctlPrinters, PortsListsKindAndNameAsTextAndJson)
{
    const auto text = Run({"ports"});
    ASSERT_EQ(text.exitStatus, 0) << text.err;
    const auto json = Run({"ports", "--json"});
    ASSERT_EQ(json.exitStatus, 0);
    std::string fromJson;
    for (const auto& port : nlohmann::json::parse(json.out)) {
        EXPECT_TRUE(port["kind"] == "serial" || port["kind"] == "parallel") << port;
        fromJson += port["kind"].get<std::string>() + "\t" + port["name"].get<std::string>() + "\n";
    }
    EXPECT_EQ(text.out, fromJson);
    // A port the machine lists is added without a warning; any other with one.
    const auto listed = nlohmann::json::parse(json.out);
    for (const auto& port : listed) {
        const std::string option = port["kind"] == "serial" ? "--serial" : "--parallel";
        const auto added = Run({"add", Doc(), option, port["name"].get<std::string>()});
        EXPECT_EQ(added.exitStatus, 0);
        EXPECT_EQ(added.err, "") << port;
    }
    const auto unlisted = Run({"add", Doc(), "--serial", "ttyS999"});
    EXPECT_EQ(unlisted.exitStatus, 0);
    EXPECT_TRUE(Contains(unlisted.err, "warning: ttyS999 is not among the serial ports")) << unlisted.err;
}

TEST_F(QuarnctlPrinters, QueriesPrintThePrintersAnswers)
{
    // A metric head history that would retitle the operator's terminal.
    StartSerial({{"Line", ",head-metric=Head%1B]0%3Bowned%07%0D%0AUsed%0D%0A"}});
    AddUnreachable("Par");
    const auto serial = Run({"query", Doc(), "Line", "serial-number"});
    EXPECT_EQ(serial.exitStatus, 0) << serial.err;
    EXPECT_EQ(serial.out, "XJ42\n");
    const auto odometers = Run({"query", Doc(), "Line", "odometers"});
    EXPECT_EQ(odometers.exitStatus, 0);
    EXPECT_EQ(odometers.out, "1234\t56\n");
    EXPECT_EQ(Run({"query", Doc(), "Line", "odometers", "--metric"}).out, "3134\t142\n");
    EXPECT_EQ(Run({"query", Doc(), "Line", "head-history"}).out,
              "Head history\r\nLast cleaned = 1,100 in\r\nLast replaced = 1,234 in\r\n");
    EXPECT_EQ(SerialBytes(*m_sim, 23), "\nURS\n\nURLi\n\nURLm\n\nURHi\n");
    EXPECT_EQ(Run({"query", Doc(), "Line", "head-history", "--metric"}).out,
              "Head\\x1b]0;owned\\x07\r\nUsed\r\n");

    // A parallel printer cannot answer: N/A, without touching its (missing) port.
    for (const char* question : {"serial-number", "odometers", "head-history"}) {
        const auto result = Run({"query", Doc(), "Par", question});
        EXPECT_EQ(result.exitStatus, 0) << question << ": " << result.err;
        EXPECT_EQ(result.out, "N/A\n") << question;
    }
    EXPECT_EQ(Run({"query", Doc(), "Line", "firmware"}).exitStatus, 2);
    EXPECT_EQ(Run({"query", Doc(), "Nobody", "odometers"}).exitStatus, 2);
}

TEST_F(QuarnctlPrinters, AnAnswerWithoutItsNumbersIsShownAsSentNeverAsZero)
{
    // A serial number that fills the whole read has lost its line end to the read, not to the printer.
    const std::string longSerial(1000, 'S');
    StartSerial({{"Worded", ",odometer=Label usage = none%0D%0AHead usage = 12%1B[2J%0D%0A,serial=" + longSerial}});
    const auto odometers = Run({"query", Doc(), "Worded", "odometers"});
    EXPECT_EQ(odometers.exitStatus, 1);
    EXPECT_EQ(odometers.out, "");
    EXPECT_TRUE(Contains(odometers.err, "'Worded' gave no number in the answer: \"Label usage = none\\x0d\\x0aHead usage = "
                                        "12\\x1b[2J\\x0d\\x0a\"")) << odometers.err;

    const auto serial = Run({"query", Doc(), "Worded", "serial-number"});
    EXPECT_EQ(serial.exitStatus, 0) << serial.err;
    EXPECT_EQ(serial.out, longSerial + "\n");
}

TEST_F(QuarnctlPrinters, APrinterThatSaysNothingOrCannotBeOpenedEndsWithStatusOne)
{
    StartSerial({{"Mute", ",silent"}});
    const auto silent = Run({"query", Doc(), "Mute", "odometers"});
    EXPECT_EQ(silent.exitStatus, 1);
    EXPECT_EQ(silent.out, "-1\t-1\n");
    EXPECT_TRUE(Contains(silent.err, "'Mute' did not answer")) << silent.err;

    ASSERT_EQ(Run({"add", Doc(), "--serial", "ttyS998", "--name", "Gone"}).exitStatus, 0);
    const auto gone = Run({"query", Doc(), "Gone", "serial-number"});
    EXPECT_EQ(gone.exitStatus, 1);
    EXPECT_EQ(gone.out, "");
    EXPECT_TRUE(Contains(gone.err, "That port is unavailable.")) << gone.err;
}

TEST_F(QuarnctlPrinters, SetSerialSendsTheEscapedTextAndRefusesOneThatCannotFit)
{
    StartSerial({{"Line", ""}});
    const auto set = Run({"set-serial", Doc(), "Line", "A\"B\\"});
    EXPECT_EQ(set.exitStatus, 0) << set.err;
    const std::string expected = "\nheS\"A\\\"B\\\\\"\r\n";
    ASSERT_EQ(expected.size(), 14u);
    EXPECT_EQ(SerialBytes(*m_sim, expected.size()), expected);

    // 33 double quotes escape to 66 bytes: two more than the command holds.
    const auto tooLong = Run({"set-serial", Doc(), "Line", std::string(33, '"')});
    EXPECT_EQ(tooLong.exitStatus, 1);
    EXPECT_TRUE(Contains(tooLong.err, "Nothing was sent.")) << tooLong.err;
    const auto fits = Run({"set-serial", Doc(), "Line", std::string(32, '"')});
    EXPECT_EQ(fits.exitStatus, 0) << fits.err;
    std::string escaped;
    for (int i = 0; i < 32; ++i) escaped += "\\\"";
    EXPECT_EQ(SerialBytes(*m_sim, 14 + 72).substr(14), "\nheS\"" + escaped + "\"\r\n");
}

TEST_F(QuarnctlPrinters, ResetHeadOdometerNeedsAConfirmation)
{
    StartSerial({{"Line", ""}});
    // The runner's stderr is a pipe: there is nobody to ask.
    const auto refused = Run({"reset-head-odometer", Doc(), "Line"});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_TRUE(Contains(refused.err, "Are you sure you want to Reset the Head Odometer?")) << refused.err;
    EXPECT_TRUE(Contains(refused.err, "--yes")) << refused.err;

    const auto confirmed = Run({"reset-head-odometer", Doc(), "Line", "--yes"});
    EXPECT_EQ(confirmed.exitStatus, 0) << confirmed.err;
    EXPECT_EQ(confirmed.err, "");
    EXPECT_EQ(SerialBytes(*m_sim, 6), "\noLr\r\n") << "the refused reset sent nothing";
}

TEST_F(QuarnctlPrinters, ResetHeadOdometerAsksAnOperatorAtATerminal)
{
    StartSerial({{"Line", ""}});
    const std::string question = "Are you sure you want to Reset the Head Odometer?\n(y/N) ";
    for (const std::string reply : {"n\n", "y\n"}) {
        PseudoTerminal console;
        m_runner.UseTerminal(console.DevicePath());
        const pid_t pid = m_runner.Start({"reset-head-odometer", Doc(), "Line"});
        EXPECT_EQ(console.Received(question.size()), question);
        console.Send(reply);
        const auto result = m_runner.Wait(pid);
        EXPECT_EQ(result.exitStatus, reply == "y\n" ? 0 : 1) << console.Received(1, std::chrono::milliseconds(200));
    }
    EXPECT_EQ(SerialBytes(*m_sim, 6), "\noLr\r\n") << "only the confirmed reset was sent";
}

TEST_F(QuarnctlPrinters, TestPagesGoToEveryReachablePrinterWithoutClaimsOrMessages)
{
    StartSerial({{"One", ""}, {"Two", ""}});
    AddUnreachable("Gone");
    const auto qpl = Run({"test-page", Doc(), "--qpl", "Gone", "One"});
    EXPECT_EQ(qpl.exitStatus, 0);
    EXPECT_EQ(qpl.out, "");
    EXPECT_EQ(qpl.err, "");
    EXPECT_EQ(SerialBytes(*m_sim, 3), "~WC");
    const auto kpl = Run({"test-page", Doc(), "--kpl", "Two", "Gone"});
    EXPECT_EQ(kpl.exitStatus, 0);
    EXPECT_EQ(SerialBytes(*m_sim, 6), "~WC\nU\n");
    const auto sessions = m_sim->SerialSessions();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].printer, "One");
    EXPECT_EQ(sessions[1].printer, "Two");

    EXPECT_EQ(Run({"test-page", Doc(), "One"}).exitStatus, 2) << "no language";
    EXPECT_EQ(Run({"test-page", Doc(), "--qpl", "--kpl", "One"}).exitStatus, 2);
}

TEST_F(QuarnctlPrinters, PrintoutsNameEachFailingPrinterAndGoOnWithTheNext)
{
    StartSerial({{"Line", ""}});
    AddUnreachable("Gone");
    const auto odometers = Run({"print-odometers", Doc(), "--metric", "Gone", "Line"});
    EXPECT_EQ(odometers.exitStatus, 1);
    EXPECT_EQ(odometers.err, "quarnctl: Gone: That port is unavailable.\n");
    EXPECT_EQ(SerialBytes(*m_sim, 7), "\nURLmp\n");

    const auto history = Run({"print-head-history", Doc(), "Line"});
    EXPECT_EQ(history.exitStatus, 0) << history.err;
    EXPECT_EQ(SerialBytes(*m_sim, 14), "\nURLmp\n\nURHip\n");
}

TEST_F(QuarnctlPrinters, CommandsThatTalkToPrintersWaitForNoOtherProgram)
{
    StartSerial({{"Line", ""}});
    CQuarnPrinters holder;
    ASSERT_FALSE(holder.IsAlreadyRunning());
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"query", Doc(), "Line", "serial-number"},
          {"set-serial", Doc(), "Line", "X"},
          {"reset-head-odometer", Doc(), "Line", "--yes"},
          {"test-page", Doc(), "--qpl", "Line"},
          {"print-odometers", Doc(), "Line"},
          {"print-head-history", Doc(), "Line"},
          {"detect", Doc(), "--no-network"}}) {
        const auto result = Run(command);
        EXPECT_EQ(result.exitStatus, 3) << command[0];
        EXPECT_TRUE(Contains(result.err, "single-instance")) << command[0] << ": " << result.err;
    }
    EXPECT_TRUE(m_sim->SerialSessions().empty());
}

TEST_F(QuarnctlPrinters, EveryNewCommandAnswersHelp)
{
    for (const char* command : {"ports", "test-page", "query", "set-serial", "reset-head-odometer", "print-odometers",
                                "print-head-history", "detect"}) {
        const auto result = Run({command, "--help"});
        EXPECT_EQ(result.exitStatus, 0) << command;
        EXPECT_TRUE(Contains(result.out, "Usage")) << command;
    }
}
