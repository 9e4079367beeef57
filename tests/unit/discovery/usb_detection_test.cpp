// USB detection through the printer list with the built USB access library and a folder of
// FIFOs standing in for usblp devices: what it adds, what a second detection leaves alone,
// and how little a missing or foreign library does.
#include <gtest/gtest.h>

#include <vector>

#include "CQuarnPrinters.h"
#include "FakeUSBDevices.h"
#include "RecordingWnd.h"
#include "ScopedUSBLibrary.h"
#include "ScriptedUserInterface.h"

namespace {

struct Seen {
    CString name;
    CString port;
    CString shown;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out)
{
    *out << seen.name << " on " << seen.port << " shown as " << seen.shown;
}

class USBDetection : public ::testing::Test {
protected:
    std::vector<Seen> Listed() const
    {
        std::vector<Seen> listed;
        for (POSITION pos = m_printers.GetFirstPrinter(); pos;) {
            const CQuarnPrinterData* printer = m_printers.GetNextPrinter(pos);
            listed.push_back({printer->Name(), printer->Port(), printer->PortDisplayName()});
        }
        return listed;
    }

    FakeUSBDevices m_devices{"lp0", "lp1"};
    ScriptedUserInterface m_ui;
    RecordingWnd m_window;
    CQuarnPrinters m_printers;  // its printers end before the window they report to
};

TEST_F(USBDetection, AddsEveryDeviceOnceUnderDefaultNames)
{
    const ScopedUSBLibrary library;
    m_printers.AutoDetectPrinters(&m_window, dsUSB);

    const std::vector<Seen> expected = {{"Printer#1", m_devices.PathOf("lp0"), "USB"},
                                        {"Printer#2", m_devices.PathOf("lp1"), "USB"}};
    EXPECT_EQ(Listed(), expected);
    EXPECT_TRUE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());

    // The same devices again are the printers already listed.
    m_printers.SetModified(false);
    m_printers.AutoDetectPrinters(&m_window, dsUSB);
    EXPECT_EQ(Listed(), expected);
    EXPECT_FALSE(m_printers.IsModified());
    EXPECT_TRUE(m_ui.Texts().empty());
    EXPECT_TRUE(m_window.Messages().empty());
}

TEST_F(USBDetection, LibraryThatCannotBeLoadedOrLacksTheEntryPointFindsNothingAndSaysNothing)
{
    for (const CString& path : {CString(QUARN_USB_LIBRARY_PATH) + ".absent", CString("libm.so.6")}) {
        const ScopedUSBLibrary library(path);
        m_printers.AutoDetectPrinters(&m_window, dsUSB);
        EXPECT_EQ(m_printers.GetPrinterCount(), 0) << path;
        EXPECT_FALSE(m_printers.IsModified()) << path;
        EXPECT_TRUE(m_ui.Texts().empty()) << path;
    }
}

}  // namespace
