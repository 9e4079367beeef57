// Serial ports: the checked line settings, the document data, and the line as a printer on
// a pseudo-terminal sees it after Open.
#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CParallelPort.h"
#include "CQuarnPrinterException.h"
#include "CSerialLineSetup.h"
#include "CSerialPort.h"
#include "PseudoTerminal.h"
#include "PrinterErrorOf.h"

namespace {

using namespace std::chrono_literals;


struct LineSettings {
    std::int32_t baud, dataBits, parity, stopBits, flow;
    bool operator==(const LineSettings&) const = default;
};

LineSettings SettingsOf(const CSerialPort& port)
{
    LineSettings s{};
    port.GetLineSettings(&s.baud, &s.dataBits, &s.parity, &s.stopBits, &s.flow);
    return s;
}

TEST(SerialPortSettings, NewPortIs9600EightNoneOneWithHardwareFlow)
{
    const CSerialPort port;
    EXPECT_EQ(SettingsOf(port), (LineSettings{9600, 8, 0, 0, 2}));
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortSettings, RefusalRaisesItsCodeAndKeepsOnlyTheEarlierValues)
{
    CSerialPort port;
    port.SetLineSettings(19200, 7, 2, 2, 1);

    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(9600, 8, 0, 1, 2); }), errStopBits);
    EXPECT_EQ(SettingsOf(port), (LineSettings{9600, 8, 0, 2, 1}));

    port.SetLineSettings(19200, 7, 2, 2, 1);
    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(1000, 8, 0, 0, 2); }), errBaudRate);
    EXPECT_EQ(SettingsOf(port), (LineSettings{19200, 7, 2, 2, 1}));

    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(9600, 6, 0, 0, 2); }), errDataBits);
    EXPECT_EQ(SettingsOf(port), (LineSettings{9600, 7, 2, 2, 1}));

    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(9600, 8, 3, 0, 2); }), errParity);
    EXPECT_EQ(SettingsOf(port), (LineSettings{9600, 8, 2, 2, 1}));

    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(9600, 8, 0, 0, 0); }), errFlowControl);
    EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(9600, 8, 0, 0, 3); }), errFlowControl);
    EXPECT_EQ(SettingsOf(port), (LineSettings{9600, 8, 0, 0, 1}));
}

TEST(SerialPortSettings, AcceptsEveryListedRateAndBothFlows)
{
    CSerialPort port;
    for (std::int32_t baud : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200,
                              128000, 256000}) {
        for (std::int32_t flow : {1, 2}) {
            EXPECT_EQ(PrinterErrorOf([&] { port.SetLineSettings(baud, 7, 1, 2, flow); }), 0u) << baud;
            EXPECT_EQ(SettingsOf(port), (LineSettings{baud, 7, 1, 2, flow}));
        }
    }
    EXPECT_FALSE(CSerialPort::IsAllowedBaudRate(230400));
}

TEST(SerialPortNames, ShortNameShownAndDevicePathUnderDev)
{
    CSerialPort port;
    port.SetPortName("ttyS3");
    EXPECT_EQ(port.m_strDevice, "/dev/ttyS3");
    EXPECT_EQ(port.PortName(), "ttyS3");
    EXPECT_EQ(port.DisplayName(), "ttyS3");
}

TEST(SerialPortDocument, StoresItsFieldsInOrderAndTakesThemBackUnchecked)
{
    CSerialPort stored;
    stored.SetPortName("ttyUSB0");
    // Values the dialog would refuse: a document keeps whatever it holds.
    stored.m_nBaudRate = 1000;
    stored.m_nDataBits = 6;
    stored.m_nParity = 4;
    stored.m_nStopBits = 1;
    stored.m_nFlowControl = 0;
    CArchive out;
    stored.Serialize(out);

    const CString expected = CString("\x0C/dev/ttyUSB0") + CString("\xE8\x03\0\0", 4) + CString("\x06\0\0\0", 4) +
                             CString("\x04\0\0\0", 4) + CString("\x01\0\0\0", 4) + CString("\0\0\0\0", 4) +
                             CString("\x07ttyUSB0");
    EXPECT_EQ(out.Buffer(), expected);

    const CRuntimeClass* kind = CRuntimeClass::FromName("CSerialPort");
    ASSERT_NE(kind, nullptr);
    std::unique_ptr<CObject> object(kind->CreateObject());
    auto* loaded = dynamic_cast<CSerialPort*>(object.get());
    ASSERT_NE(loaded, nullptr);
    CArchive in(out.Buffer());
    loaded->Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(SettingsOf(*loaded), (LineSettings{1000, 6, 4, 1, 0}));
    EXPECT_EQ(loaded->PortName(), "ttyUSB0");
    EXPECT_EQ(loaded->m_strDevice, "/dev/ttyUSB0");
    EXPECT_FALSE(loaded->IsOpen());
}

TEST(SerialPortCopy, TakesEverySettingOfASerialPortAndNothingFromAnotherKind)
{
    CSerialPort source;
    source.SetPortName("ttyS1");
    source.SetLineSettings(256000, 7, 2, 2, 1);

    CSerialPort copy;
    copy.CopySettings(&source);
    EXPECT_EQ(SettingsOf(copy), (LineSettings{256000, 7, 2, 2, 1}));
    EXPECT_EQ(copy.PortName(), "ttyS1");
    EXPECT_EQ(copy.m_strDevice, "/dev/ttyS1");
    EXPECT_FALSE(copy.IsOpen());

    CParallelPort parallel;
    parallel.SetPortName("lp0");
    copy.CopySettings(&parallel);
    EXPECT_EQ(copy.PortName(), "ttyS1");
    EXPECT_EQ(copy.m_strDevice, "/dev/ttyS1");
}

TEST(SerialPortDevice, TransfersOnAClosedPortRaiseCode7)
{
    CSerialPort port;
    char buffer[4] = {};
    std::uint32_t count = 0;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(buffer, sizeof buffer, &count); }), errPortUnavailable);
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &count); }), errPortUnavailable);
}

TEST(SerialPortDevice, MissingDeviceRaisesCode7AndStaysClosed)
{
    CSerialPort port;
    port.SetPortName("ttyQuarnMissing9");
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsOpen());
}

// The port opens the terminal's device side; the test keeps its own descriptor to that side,
// taken before the port holds it exclusively, to see the line state the printer would see.
class SerialPortOnTerminal : public ::testing::Test {
protected:
    SerialPortOnTerminal()
    {
        port.SetPortName(std::filesystem::path(terminal.DevicePath()).lexically_relative("/dev").string());
        observer = ::open(terminal.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    ~SerialPortOnTerminal() override
    {
        port.Close();
        if (observer >= 0) ::close(observer);
    }

    termios2 Line() const
    {
        termios2 line{};
        EXPECT_EQ(::ioctl(observer, TCGETS2, &line), 0);
        return line;
    }
    void SetLine(const termios2& line) { ASSERT_EQ(::ioctl(observer, TCSETS2, &line), 0); }

    // Gives the terminal's line discipline time to act on flow characters the printer sent.
    static void LetTheLineSettle() { std::this_thread::sleep_for(200ms); }

    PseudoTerminal terminal;
    CSerialPort port;
    int observer = -1;
};

class SerialLineSetUp : public SerialPortOnTerminal, public ::testing::WithParamInterface<LineSettings> {};

TEST_P(SerialLineSetUp, FarSideSeesTheStoredSettingsInRawMode)
{
    ASSERT_GE(observer, 0);
    // Start from a cooked line with the opposite flow control, so every flag is really set.
    termios2 cooked = Line();
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_oflag |= OPOST;
    cooked.c_iflag |= ICRNL | IXOFF | IXANY | (GetParam().flow == 1 ? 0 : IXON);
    cooked.c_cflag = (GetParam().flow == 1) ? (cooked.c_cflag | CRTSCTS) : (cooked.c_cflag & ~CRTSCTS);
    cooked.c_cflag &= ~(CLOCAL | CREAD);
    SetLine(cooked);

    const LineSettings& want = GetParam();
    port.SetLineSettings(want.baud, want.dataBits, want.parity, want.stopBits, want.flow);
    port.Open();

    const termios2 line = Line();
    EXPECT_EQ(line.c_ospeed, static_cast<speed_t>(want.baud));
    const bool nonStandard = want.baud == 14400 || want.baud == 56000 || want.baud == 128000 || want.baud == 256000;
    EXPECT_EQ((line.c_cflag & CBAUD) == BOTHER, nonStandard);
    // A pseudo-terminal always reports 8 data bits without parity; the framing is checked
    // on the shaped line state below.
    EXPECT_EQ((line.c_cflag & CSTOPB) != 0, want.stopBits == 2);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);

    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXOFF | IXANY), 0u);
    EXPECT_EQ((line.c_iflag & IXON) != 0, want.flow == 1);
    EXPECT_EQ((line.c_cflag & CRTSCTS) != 0, want.flow == 2);
    EXPECT_EQ(line.c_cc[VSTART], 0x11);
    EXPECT_EQ(line.c_cc[VSTOP], 0x13);
}

INSTANTIATE_TEST_SUITE_P(Lines, SerialLineSetUp,
                         ::testing::Values(LineSettings{9600, 8, 0, 0, 2}, LineSettings{256000, 7, 1, 2, 1},
                                           LineSettings{14400, 8, 2, 0, 2}, LineSettings{56000, 8, 0, 2, 1},
                                           LineSettings{128000, 7, 2, 0, 2}, LineSettings{115200, 8, 1, 0, 1},
                                           LineSettings{110, 7, 0, 2, 2}));

TEST(SerialLineShape, FramingFollowsTheSettings)
{
    struct Case {
        LineSettings settings;
        tcflag_t framing;
    };
    const Case cases[] = {
        {{9600, 8, 0, 0, 2}, CS8},
        {{9600, 7, 1, 2, 2}, CS7 | PARENB | PARODD | CSTOPB},
        {{9600, 7, 2, 0, 1}, CS7 | PARENB},
        {{9600, 8, 2, 1, 1}, CS8 | PARENB},  // one and a half stop bits from a document: one
        {{9600, 8, 3, 0, 2}, CS8 | PARENB | PARODD | CMSPAR},  // mark and space, which documents may hold
        {{9600, 5, 4, 0, 2}, CS5 | PARENB | CMSPAR},
    };
    for (const Case& c : cases) {
        const LineSettings& s = c.settings;
        termios2 line{};
        line.c_cflag = CS6 | PARENB | PARODD | CMSPAR | CSTOPB;  // a device with the opposite framing
        ASSERT_EQ(CSerialLineSetup(s.baud, s.dataBits, s.parity, s.stopBits, s.flow).ShapeLine(line), 0);
        EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.framing)
            << s.dataBits << " " << s.parity << " " << s.stopBits;
    }
}

TEST(SerialLineShape, SettingsWithoutATermiosFormAreRefusedNamingTheSetting)
{
    struct Refusal {
        LineSettings settings;
        int code;
    };
    const Refusal refused[] = {{{0, 8, 0, 0, 2}, errBaudRate},    {{-9600, 8, 0, 0, 2}, errBaudRate},
                               {{9600, 9, 0, 0, 2}, errDataBits}, {{9600, 4, 0, 0, 2}, errDataBits},
                               {{9600, 8, 5, 0, 2}, errParity},   {{9600, 8, -1, 0, 2}, errParity},
                               {{9600, 8, 0, 3, 2}, errStopBits}};
    for (const Refusal& r : refused) {
        const LineSettings& s = r.settings;
        termios2 line{};
        EXPECT_EQ(CSerialLineSetup(s.baud, s.dataBits, s.parity, s.stopBits, s.flow).ShapeLine(line), r.code)
            << s.baud << " " << s.dataBits << " " << s.parity << " " << s.stopBits;
    }
}

TEST_F(SerialPortOnTerminal, DocumentValuesOutsideTheListsAreHandledAtOpen)
{
    termios2 before = Line();
    before.c_iflag |= IXON | IXOFF;
    before.c_cflag |= CRTSCTS;
    before.c_cc[VSTART] = 0x01;
    SetLine(before);

    // No flow value: the device keeps its own; one and a half stop bits: one.
    port.m_nFlowControl = 0;
    port.m_nStopBits = 1;
    port.Open();
    const termios2 line = Line();
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), IXON | IXOFF);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line.c_cc[VSTART], 0x01);
    EXPECT_EQ(line.c_cflag & CSTOPB, 0u);
}

TEST_F(SerialPortOnTerminal, LineStateTheDeviceCannotTakeNamesTheSettingAndLeavesThePortOpen)
{
    port.m_nParity = 9;
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errParity);
    EXPECT_TRUE(port.IsOpen());
    port.Close();

    port.m_nParity = 0;
    port.m_nBaudRate = 0;
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errBaudRate);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortOnTerminal, OpeningAnOpenPortSetsTheLineUpAgainOnTheSameDescriptor)
{
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    port.Open();
    const int first = port.m_hDevice;
    const auto openCount = descriptors();

    port.SetLineSettings(256000, 7, 2, 2, 1);
    port.Open();
    EXPECT_EQ(port.m_hDevice, first);
    EXPECT_EQ(descriptors(), openCount);
    EXPECT_EQ(Line().c_ospeed, 256000u);
    EXPECT_NE(Line().c_iflag & IXON, 0u);
}

TEST_F(SerialPortOnTerminal, EveryByteWrittenArrivesOnceAndInOrder)
{
    CString image;
    for (int i = 0; i < 20000; ++i) image.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
    port.SetTimeLimits(200ms, 100ms);
    port.Open();

    std::uint32_t written = 0;
    port.Write(image.data(), static_cast<std::uint32_t>(image.size()), &written);
    // The terminal buffers less than the whole image while nobody reads; the rest goes on
    // the next calls, as a download sends it.
    CString received = terminal.Received(written, 2s);
    std::size_t sent = written;
    while (sent < image.size()) {
        port.Write(image.data() + sent, static_cast<std::uint32_t>(image.size() - sent), &written);
        ASSERT_GT(written, 0u);
        sent += written;
        received += terminal.Received(written, 2s);
    }
    EXPECT_EQ(received, image);
}

TEST_F(SerialPortOnTerminal, ReadReturnsWhatThePrinterSent)
{
    port.Open();
    terminal.Send("PRINTER READY\r\n");
    char buffer[100] = {};
    std::uint32_t read = 0;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(CString(buffer, read), "PRINTER READY\r\n");
}

TEST_F(SerialPortOnTerminal, XoffHoldsWritesBackWithoutErrorUntilXon)
{
    port.SetTimeLimits(300ms, 100ms);
    port.SetLineSettings(9600, 8, 0, 0, 1);
    port.Open();
    const CString label(500, 'L');

    terminal.Send("\x13");
    LetTheLineSettle();
    std::uint32_t written = 99;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(label.data(), static_cast<std::uint32_t>(label.size()), &written); }),
              0u);
    EXPECT_EQ(written, 0u);

    terminal.Send("\x11");
    LetTheLineSettle();
    port.Write(label.data(), static_cast<std::uint32_t>(label.size()), &written);
    EXPECT_EQ(written, label.size());
    EXPECT_EQ(terminal.Received(label.size()), label);
}

TEST_F(SerialPortOnTerminal, ReadFromASilentPrinterGivesNothingAfterFiveSeconds)
{
    port.Open();
    char buffer[64];
    std::uint32_t read = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &read); }), 0u);
    EXPECT_EQ(read, 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 4900ms);
}

}  // namespace
