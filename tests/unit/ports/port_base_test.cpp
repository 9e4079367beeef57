// The default device behaviour every serial, parallel and USB port inherits, driven through
// pseudo-terminals and the system's null and full devices.
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CPortBase.h"
#include "CQuarnPrinterException.h"
#include "PseudoTerminal.h"
#include "TemporaryFolder.h"
#include "PrinterErrorOf.h"

namespace {


class PortOnTerminal : public ::testing::Test {
protected:
    PortOnTerminal() { port.m_strDevice = terminal.DevicePath(); }
    ~PortOnTerminal() override { port.Close(); }

    PseudoTerminal terminal;
    CPortBase port;
};

TEST_F(PortOnTerminal, WritesAndReadsBytesThroughTheDevice)
{
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(fcntl(port.m_hDevice, F_GETFL) & O_NONBLOCK, 0) << "transfers must wait for the device";

    const CString command("\x0A" "xa\x00\xFF" "\x0A", 6);
    std::uint32_t written = 0;
    port.Write(command.data(), static_cast<std::uint32_t>(command.size()), &written);
    EXPECT_EQ(written, command.size());
    EXPECT_EQ(terminal.Received(command.size()), command);

    terminal.Send("answer");
    char buffer[16] = {};
    std::uint32_t read = 0;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(CString(buffer, read), "answer");
}

TEST_F(PortOnTerminal, HoldsTheTerminalExclusivelyWhileOpen)
{
    port.Open();
    int exclusive = 0;
    ASSERT_EQ(ioctl(port.m_hDevice, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    const int firstHandle = port.m_hDevice;
    port.Open();  // already open: no second descriptor
    EXPECT_EQ(port.m_hDevice, firstHandle);
}

TEST_F(PortOnTerminal, CloseKeepsOutputThatThePrinterHasNotReadYet)
{
    port.Open();
    // More than the printer side's line buffer takes, so part of it is still queued in the
    // terminal when the port closes.
    const CString tail(8000, 'F');
    for (std::uint32_t sent = 0, written = 0; sent < tail.size(); sent += written)
        port.Write(tail.data() + sent, static_cast<std::uint32_t>(tail.size() - sent), &written);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(terminal.Received(tail.size()).size(), tail.size());
}

TEST_F(PortOnTerminal, CloseDropsUnreadInputSoTheNextExchangeStartsClean)
{
    port.Open();
    terminal.Send("stale answer");
    terminal.Received(0, std::chrono::milliseconds(50));
    port.Close();

    port.Open();
    terminal.Send("fresh");
    char buffer[32] = {};
    std::uint32_t read = 0;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(CString(buffer, read), "fresh");
}

TEST_F(PortOnTerminal, ProbeSendsTheConfigurationQueryAndSeesTheAnswer)
{
    port.Open();
    terminal.Send("configuration");
    EXPECT_TRUE(port.ProbeBidirectional());
    EXPECT_EQ(terminal.Received(4), CString("\x0A" "UQ" "\x0A"));
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(PortOnTerminal, ProbeOfASilentPrinterIsFalse)
{
    port.Open();
    EXPECT_FALSE(port.ProbeBidirectional());
    EXPECT_EQ(terminal.Received(4), CString("\x0A" "UQ" "\x0A"));
}

TEST(PortBase, ClosedPortRefusesTransfersWithCodeSeven)
{
    PseudoTerminal terminal;
    CPortBase port;
    port.m_strDevice = terminal.DevicePath();
    std::uint32_t count = 0;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write("x", 1, &count); }), errPortUnavailable);
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(&count, 1, &count); }), errPortUnavailable);
    EXPECT_EQ(PrinterErrorOf([&] { port.ProbeBidirectional(); }), errPortUnavailable);
    EXPECT_EQ(terminal.Received(1, std::chrono::milliseconds(50)), "");
}

TEST(PortBase, CloseOnAClosedPortDoesNothing)
{
    CPortBase neverOpened;
    neverOpened.Close();
    EXPECT_FALSE(neverOpened.IsOpen());

    PseudoTerminal terminal;
    CPortBase port;
    port.m_strDevice = terminal.DevicePath();
    port.Open();
    port.Close();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

// A serial or parallel record naming a file (or a link to one) must not overwrite it.
TEST(PortBase, AFileIsNoDeviceAndIsLeftAsItWas)
{
    TemporaryFolder folder;
    const std::string file = folder.Touch("ttyS0").string();
    const std::string link = (folder.Path() / "lp0").string();
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    for (const std::string& path : {file, link}) {
        CPortBase port;
        port.m_strDevice = path;
        EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable) << path;
        EXPECT_FALSE(port.IsOpen());
        std::uint32_t written = 0;
        EXPECT_EQ(PrinterErrorOf([&] { port.Write("x", 1, &written); }), errPortUnavailable);
    }
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST(PortBase, MissingDeviceIsUnavailableAndLeavesThePortClosed)
{
    TemporaryFolder folder;
    CPortBase port;
    port.m_strDevice = (folder.Path() / "absent").string();
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsOpen());
}

// Tests run as root, whom a terminal's exclusive mode does not stop: the lock must.
TEST(PortBase, SecondOpenOfALockedDeviceIsRefusedUntilTheFirstCloses)
{
    PseudoTerminal terminal;
    CPortBase first, second;
    first.m_strDevice = second.m_strDevice = terminal.DevicePath();

    first.Open();
    try {
        second.Open();
        ADD_FAILURE() << "a held device was opened a second time";
    } catch (CQuarnPrinterException* e) {
        EXPECT_EQ(e->m_dwCode, errPortUnavailable);
        EXPECT_EQ(e->m_strDetail, terminal.DevicePath() + " is in use by another program.");
        e->Delete();
    }
    EXPECT_FALSE(second.IsOpen());
    first.Close();

    EXPECT_EQ(PrinterErrorOf([&] { second.Open(); }), 0u);
    second.Close();
}

TEST(PortBase, DeviceErrorsKeepTheSystemNumberApartFromLibraryCodes)
{
    CPortBase port;
    port.m_strDevice = "/dev/full";
    port.Open();
    std::uint32_t written = 99;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write("abc", 3, &written); }), kPlatformErrorBase + ENOSPC);
    port.Close();
}

TEST(PortBase, ArchiveHoldsTheDevicePathAndLoadingOpensNothing)
{
    CPortBase stored;
    stored.SetPortName("/dev/usb/lp1");
    CArchive out;
    stored.Serialize(out);
    EXPECT_EQ(out.Buffer(), CString("\x0C/dev/usb/lp1"));

    CArchive in(out.Buffer());
    CPortBase loaded;
    loaded.Serialize(in);
    EXPECT_EQ(loaded.PortName(), "/dev/usb/lp1");
    EXPECT_EQ(loaded.DisplayName(), "/dev/usb/lp1");
    EXPECT_FALSE(loaded.IsOpen());
    EXPECT_EQ(loaded.QueryModel(), "");
}

TEST(PortBase, CopySettingsTakesThePathButNeverTheDevice)
{
    PseudoTerminal terminal;
    CPortBase source, copy;
    source.m_strDevice = terminal.DevicePath();
    source.Open();
    copy.CopySettings(&source);
    EXPECT_EQ(copy.m_strDevice, source.m_strDevice);
    EXPECT_FALSE(copy.IsOpen());
    source.Close();
}

TEST(PortBase, IsCreatableByItsClassName)
{
    const CRuntimeClass* cls = CRuntimeClass::FromName("CPortBase");
    ASSERT_NE(cls, nullptr);
    std::unique_ptr<CObject> object(cls->CreateObject());
    EXPECT_NE(dynamic_cast<CPortBase*>(object.get()), nullptr);
}

}  // namespace
