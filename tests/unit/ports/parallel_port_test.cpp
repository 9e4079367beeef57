// Parallel ports: names, document data, and a port that only ever sends.
#include <filesystem>
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CParallelPort.h"
#include "CSerialPort.h"
#include "PseudoTerminal.h"

namespace {

using namespace std::chrono_literals;

TEST(ParallelPortNames, ShortNameShownAndDevicePathUnderDev)
{
    CParallelPort port;
    port.SetPortName("lp2");
    EXPECT_EQ(port.m_strDevice, "/dev/lp2");
    EXPECT_EQ(port.PortName(), "lp2");
    EXPECT_EQ(port.DisplayName(), "lp2");
}

TEST(ParallelPortDocument, StoresDeviceThenShortNameAndReadsThemBack)
{
    CParallelPort stored;
    stored.SetPortName("lp0");
    CArchive out;
    stored.Serialize(out);
    EXPECT_EQ(out.Buffer(), CString("\x08/dev/lp0\x03lp0"));

    CParallelPort loaded;
    CArchive in(out.Buffer());
    loaded.Serialize(in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(loaded.PortName(), "lp0");
    EXPECT_EQ(loaded.m_strDevice, "/dev/lp0");
    EXPECT_FALSE(loaded.IsOpen());
}

TEST(ParallelPortCopy, TakesNameAndDeviceOfAParallelPortOnly)
{
    CParallelPort source;
    source.SetPortName("lp1");
    CParallelPort copy;
    copy.CopySettings(&source);
    EXPECT_EQ(copy.PortName(), "lp1");
    EXPECT_EQ(copy.m_strDevice, "/dev/lp1");

    CSerialPort serial;
    serial.SetPortName("ttyS0");
    copy.CopySettings(&serial);
    EXPECT_EQ(copy.PortName(), "lp1");
    EXPECT_EQ(copy.m_strDevice, "/dev/lp1");
}

class ParallelPortOnTerminal : public ::testing::Test {
protected:
    ParallelPortOnTerminal()
    {
        port.SetPortName(std::filesystem::path(terminal.DevicePath()).lexically_relative("/dev").string());
    }
    ~ParallelPortOnTerminal() override { port.Close(); }

    PseudoTerminal terminal;
    CParallelPort port;
};

TEST_F(ParallelPortOnTerminal, ReadReturnsAtOnceLeavingTheCountAsTheCallerSetIt)
{
    port.Open();
    terminal.Send("unexpected answer");
    char buffer[32] = {};
    std::uint32_t read = 0;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(read, 0u);
    read = 17;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(read, 17u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(ParallelPortOnTerminal, ProbeSendsNothingAndSaysNo)
{
    port.Open();
    EXPECT_FALSE(port.ProbeBidirectional());
    EXPECT_EQ(terminal.Received(1, 200ms), "");
}

}  // namespace
