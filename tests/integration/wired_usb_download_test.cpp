// A download through the printer list to a USB printer it detected: a pseudo-terminal stands
// in for the usblp device, and the test plays the printer on its controlling side.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "CQuarnPrinter.h"
#include "CQuarnPrinters.h"
#include "FakeUSBDevices.h"
#include "RecordingWnd.h"
#include "ScopedEnvironment.h"
#include "ScopedUSBLibrary.h"
#include "ScratchFile.h"
#include "ScriptedUserInterface.h"
#include "TemporaryFolder.h"
#include "messages.h"

namespace {

using namespace std::chrono_literals;

// The printer's side of a device: takes every byte that arrives, on a thread of its own,
// until it has the bytes it expects or its time is up.
class DevicePrinter {
public:
    DevicePrinter(int fd, std::size_t expected, std::chrono::seconds limit = 60s) : m_fd(fd)
    {
        m_reader = std::thread([this, expected, limit] { Take(expected, limit); });
    }
    ~DevicePrinter()
    {
        if (m_reader.joinable()) m_reader.join();
    }
    DevicePrinter(const DevicePrinter&) = delete;
    DevicePrinter& operator=(const DevicePrinter&) = delete;

    // Waits for the reader to end and gives what it took.
    std::string Received()
    {
        if (m_reader.joinable()) m_reader.join();
        return m_received;
    }

private:
    void Take(std::size_t expected, std::chrono::seconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        char buffer[65536];
        while (m_received.size() < expected && std::chrono::steady_clock::now() < deadline) {
            const ssize_t count = ::read(m_fd, buffer, sizeof buffer);
            // Nothing waiting, or the device not open just now: the port may not have opened yet.
            if (count <= 0)
                std::this_thread::sleep_for(2ms);
            else
                m_received.append(buffer, static_cast<std::size_t>(count));
        }
    }

    int m_fd;
    std::string m_received;
    std::thread m_reader;
};

TEST(WiredUSBDownload, DetectedPrinterReceivesItsFileByteForByte)
{
    TemporaryFolder folder;
    const ScopedEnvironment home("XDG_CONFIG_HOME", (folder.Path() / "user").string());
    const ScopedEnvironment dirs("XDG_CONFIG_DIRS", (folder.Path() / "machine").string());
    const FakeUSBDevices devices{"lp0", "lp1"};
    const ScopedUSBLibrary library;
    // Several times the device's buffer, ending mid-chunk.
    const std::string content = ScratchFile::Pattern(3 * 1024 * 1024 + 77);
    const ScratchFile file(content);
    DevicePrinter printer(devices.PrinterSideOf("lp0"), content.size());
    DevicePrinter idle(devices.PrinterSideOf("lp1"), 1, 1s);
    ScriptedUserInterface ui;
    RecordingWnd window;
    CQuarnPrinters printers;

    printers.AutoDetectPrinters(&window, dsUSB);
    ASSERT_EQ(printers.GetPrinterCount(), 2);
    POSITION pos = printers.GetFirstPrinter();
    CQuarnPrinterData* first = printers.GetNextPrinter(pos);
    ASSERT_EQ(first->Port(), devices.PathOf("lp0"));
    // Calibration would add its own bytes to the device after the file.
    static_cast<CQuarnPrinter*>(first)->m_bCalibrate = false;
    printers.SetDownloadFile(first, file.Path());

    printers.DownloadToPrinters(nullptr);
    ASSERT_TRUE(window.WaitForCount(WM_DOWNLOAD_END, 1, 60s));
    EXPECT_EQ(window.Params(WM_DOWNLOAD_BEGIN), std::vector<LPARAM>{static_cast<LPARAM>(content.size())});
    EXPECT_EQ(window.Params(WM_DOWNLOAD_END), std::vector<LPARAM>{1});
    const std::string received = printer.Received();
    EXPECT_EQ(received.size(), content.size());
    EXPECT_TRUE(received == content) << "the bytes that arrived differ from the file";
    EXPECT_EQ(idle.Received(), "");
    EXPECT_TRUE(ui.Texts().empty());
}

}  // namespace
