// USB ports: names and document data, bounded transfers on a pseudo-terminal standing in
// for a usblp device, only character devices opened, and the model text read from IEEE 1284
// device IDs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "CSerialPort.h"
#include "CUSBPort.h"
#include "DeviceId.h"
#include "FakeUSBDevices.h"
#include "TemporaryFolder.h"
#include "PrinterErrorOf.h"

namespace {

using namespace std::chrono_literals;


TEST(USBPortNames, ShownAsUSBWhateverThePathAndKnownByThePath)
{
    for (const CString path : {"/dev/usb/lp0", "/dev/usb/lp12", "", "/somewhere/else"}) {
        CUSBPort port;
        port.SetPortName(path);
        EXPECT_EQ(port.DisplayName(), "USB");
        EXPECT_EQ(port.PortName(), path);
        EXPECT_EQ(port.m_strDevice, path);
    }
}

TEST(USBPortDocument, StoresOnlyTheDevicePath)
{
    CUSBPort stored;
    stored.SetPortName("/dev/usb/lp3");
    CArchive out;
    stored.Serialize(out);
    EXPECT_EQ(out.Buffer(), CString("\x0C/dev/usb/lp3"));

    CUSBPort loaded;
    CArchive in(out.Buffer());
    loaded.Serialize(in);
    EXPECT_EQ(loaded.PortName(), "/dev/usb/lp3");
    EXPECT_FALSE(loaded.IsOpen());
}

TEST(USBPortCopy, TakesThePathOfAUSBPortOnly)
{
    CUSBPort source;
    source.SetPortName("/dev/usb/lp1");
    CUSBPort copy;
    copy.CopySettings(&source);
    EXPECT_EQ(copy.PortName(), "/dev/usb/lp1");

    CSerialPort serial;
    serial.SetPortName("ttyS0");
    copy.CopySettings(&serial);
    EXPECT_EQ(copy.PortName(), "/dev/usb/lp1");
}

TEST(USBPortDevice, UnpluggedPrinterRaisesCode7AtOpenAndTransfersOnAClosedPortToo)
{
    TemporaryFolder folder;
    CUSBPort port;
    port.SetPortName((folder.Path() / "lp0").string());
    EXPECT_EQ(PrinterErrorOf([&] { port.Open(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsOpen());

    char buffer[4] = {};
    std::uint32_t count = 0;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(buffer, sizeof buffer, &count); }), errPortUnavailable);
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &count); }), errPortUnavailable);
}

// Only a character device is a printer: a document naming anything else must not make the
// port write into it, whatever the path looks like.
TEST(USBPortDevice, AnythingButACharacterDeviceIsRefusedNamingThePathAndLeftAlone)
{
    TemporaryFolder folder;
    const std::string file = (folder.Path() / "lp0").string();
    const std::string fifo = (folder.Path() / "lp1").string();
    const std::string link = (folder.Path() / "lp2").string();
    folder.Touch("lp0");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    for (const std::string& path : {file, fifo, link, folder.Path().string()}) {
        CUSBPort port;
        port.SetPortName(path);
        CString message;
        EXPECT_EQ(PrinterErrorOf([&] {
                      try {
                          port.Open();
                      } catch (CQuarnPrinterException* e) {
                          message = e->Message();
                          throw;
                      }
                  }),
                  errPortUnavailable)
            << path;
        EXPECT_NE(message.find(path), CString::npos) << message;
        EXPECT_FALSE(port.IsOpen());
    }
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_size, 0);
}

// A pseudo-terminal reached through a link plays the device; the test keeps the printer's side.
class USBPortOnDevice : public ::testing::Test {
protected:
    USBPortOnDevice() { port.SetPortName(devices.PathOf("lp0")); }
    ~USBPortOnDevice() override { port.Close(); }

    CString TakeFromDevice()
    {
        CString bytes;
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(printer, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(count));
        return bytes;
    }

    FakeUSBDevices devices{"lp0"};
    const int printer = devices.PrinterSideOf("lp0");
    CUSBPort port;
};

TEST_F(USBPortOnDevice, WholeBufferArrivesExactly)
{
    CString data;
    for (int i = 0; i < 10000; ++i) data.push_back(static_cast<char>(i * 31));
    port.Open();
    std::uint32_t written = 0;
    port.Write(data.data(), static_cast<std::uint32_t>(data.size()), &written);
    EXPECT_EQ(written, data.size());
    EXPECT_EQ(TakeFromDevice(), data);
}

TEST_F(USBPortOnDevice, PrinterThatStopsTakingDataEndsTheWriteInsteadOfHoldingItForever)
{
    // Far more than the device buffers while the printer takes nothing.
    CString data;
    for (int i = 0; i < 4 * 1024 * 1024; ++i) data.push_back(static_cast<char>(i % 251));
    port.SetWriteStallLimit(200ms);
    port.Open();

    // What went out is reported, so the caller can carry on from there...
    std::uint32_t written = 0;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(data.data(), static_cast<std::uint32_t>(data.size()), &written); }), 0u);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, data.size());
    const std::uint32_t capacity = written;

    // ...and a printer that takes nothing at all is a time-out.
    written = 99;
    EXPECT_EQ(PrinterErrorOf([&] { port.Write(data.data() + capacity, 100, &written); }), errTimeout);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(TakeFromDevice(), data.substr(0, capacity));
}

TEST_F(USBPortOnDevice, ReadReturnsWhatThePrinterSent)
{
    port.Open();
    ASSERT_EQ(::write(printer, "SN 12345\r\n", 10), 10);

    char buffer[64] = {};
    std::uint32_t read = 0;
    port.Read(buffer, sizeof buffer, &read);
    EXPECT_EQ(CString(buffer, read), "SN 12345\r\n");
}

TEST_F(USBPortOnDevice, ReadFromASilentPrinterGivesNothingAfterThreeSeconds)
{
    port.Open();
    char buffer[64];
    std::uint32_t read = 5;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(PrinterErrorOf([&] { port.Read(buffer, sizeof buffer, &read); }), 0u);
    EXPECT_EQ(read, 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 2900ms);
}

TEST_F(USBPortOnDevice, OpeningAnOpenPortKeepsItsOneDescriptor)
{
    port.Open();
    const int first = port.m_hDevice;
    port.Open();
    EXPECT_EQ(port.m_hDevice, first);
}

TEST_F(USBPortOnDevice, ModelQueryTheDeviceRefusesIsEmptyAndLeavesThePortAsFound)
{
    EXPECT_EQ(port.QueryModel(), "");
    EXPECT_FALSE(port.IsOpen());

    port.Open();
    const int descriptor = port.m_hDevice;
    EXPECT_EQ(port.QueryModel(), "");
    EXPECT_EQ(port.m_hDevice, descriptor);
}

TEST(USBPortDevice, ModelQueryOfAnUnpluggedPrinterRaisesCode7)
{
    CUSBPort port;
    port.SetPortName("/nonexistent/usb/lp0");
    EXPECT_EQ(PrinterErrorOf([&] { (void)port.QueryModel(); }), errPortUnavailable);
    EXPECT_FALSE(port.IsOpen());
}

// A device ID answer as the driver hands it over: a big-endian length counting itself.
CString Answer(const CString& text)
{
    const std::size_t length = text.size() + 2;
    return CString(1, static_cast<char>(length >> 8)) + CString(1, static_cast<char>(length & 0xFF)) + text;
}

CString ModelOf(const CString& answer)
{
    return ModelFromDeviceId(reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
}

TEST(USBDeviceId, ManufacturerAndModelJoinedByOneSpace)
{
    EXPECT_EQ(ModelOf(Answer("MFG:Acme;MDL:Model 7;CLS:PRINTER;")), "Acme Model 7");
    EXPECT_EQ(ModelOf(Answer("CMD:KPL,QPL;MFG:Acme;MDL:Model 7")), "Acme Model 7");
    // Only a model after the manufacturer counts.
    EXPECT_EQ(ModelOf(Answer("MDL:Old;MFG:Acme;CLS:PRINTER;MDL:New;")), "Acme New");
}

TEST(USBDeviceId, IncompleteAnswersGiveWhatTheyHold)
{
    EXPECT_EQ(ModelOf(Answer("MDL:Model 7;CLS:PRINTER;")), "");
    EXPECT_EQ(ModelOf(Answer("MFG:Acme")), "Acme");
    EXPECT_EQ(ModelOf(Answer("MFG:Acme;CLS:PRINTER;")), "Acme");
    EXPECT_EQ(ModelOf(Answer("MDL:Model 7;MFG:Acme;")), "Acme");
    EXPECT_EQ(ModelOf(Answer("")), "");
}

TEST(USBDeviceId, TextEndsAtTheDeclaredLengthTheBufferOrAZeroByte)
{
    // The declared length cuts the model short.
    CString answer = Answer("MFG:Acme;MDL:Model 7;");
    answer[1] = static_cast<char>(answer[1] - 4);
    EXPECT_EQ(ModelOf(answer), "Acme Mode");

    // A length beyond the buffer is held to the buffer.
    answer = Answer("MFG:Acme;MDL:Model 7");
    answer[0] = '\x7F';
    EXPECT_EQ(ModelOf(answer), "Acme Model 7");

    EXPECT_EQ(ModelOf(Answer(CString("MFG:Acme;MDL:M7\0;junk", 22))), "Acme M7");

    // Lengths that do not even cover themselves, and answers shorter than the length field.
    EXPECT_EQ(DeviceIdText(reinterpret_cast<const std::uint8_t*>("\x00\x01MFG:A;"), 9), "");
    EXPECT_EQ(DeviceIdText(reinterpret_cast<const std::uint8_t*>("\x00"), 1), "");
    EXPECT_EQ(DeviceIdText(nullptr, 0), "");
}

}  // namespace
