// Listing the machine's serial and parallel ports from a prepared device and sysfs tree.
#include <cerrno>
#include <gtest/gtest.h>
#include <map>

#include "CCommSingleton.h"
#include "TemporaryFolder.h"

namespace {

using Names = std::vector<CString>;

class PortEnumeration : public ::testing::Test {
protected:
    // A tty with a device node and, when bound, a driver link in the sysfs class folder.
    void AddTty(const std::string& name, bool bound = true)
    {
        tree.Touch("dev/" + name);
        tree.MakeFolder("sys/class/tty/" + name + "/device");
        if (bound) tree.MakeFolder("sys/class/tty/" + name + "/device/driver");
    }

    CCommSingleton::PortLists Enumerate()
    {
        return CCommSingleton::Enumerate(Dev(), (tree.Path() / "sys/class/tty").string(),
                                         [this](const CString& path) {
                                             probed.push_back(path);
                                             auto it = failures.find(path);
                                             return it == failures.end() ? 0 : it->second;
                                         });
    }

    CString Dev() const { return (tree.Path() / "dev").string(); }
    CString Device(const std::string& name) const { return (tree.Path() / "dev" / name).string(); }

    TemporaryFolder tree;
    std::map<CString, int> failures;  // device path -> errno of its probe
    Names probed;
};

TEST_F(PortEnumeration, SerialPortsComeInNaturalOrder)
{
    for (const char* name : {"ttyUSB0", "ttyS10", "ttyS2", "ttyS0", "ttyACM1"}) AddTty(name);
    EXPECT_EQ(Enumerate().serial, (Names{"ttyACM1", "ttyS0", "ttyS2", "ttyS10", "ttyUSB0"}));
}

TEST_F(PortEnumeration, PortHeldElsewhereIsListedAndAbsentHardwareIsNot)
{
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0"}) AddTty(name);
    failures[Device("ttyS1")] = EIO;     // an 8250 slot with no chip behind it
    failures[Device("ttyS2")] = EBUSY;   // held exclusively by another program
    failures[Device("ttyUSB0")] = EACCES;
    failures[Device("ttyS3")] = ENXIO;
    EXPECT_EQ(Enumerate().serial, (Names{"ttyS0", "ttyS2", "ttyUSB0"}));
}

TEST_F(PortEnumeration, OnlyDriverBoundSerialTtysWithADeviceNodeCount)
{
    AddTty("ttyS0");
    AddTty("ttyS5", false);                                // no driver
    tree.MakeFolder("sys/class/tty/ttyS6/device/driver");  // no node in the device folder
    for (std::string name : {"tty0", "console", "ttySAC0", "ttyS", "ttyUSBx"}) AddTty(name);
    EXPECT_EQ(Enumerate().serial, (Names{"ttyS0"}));
    EXPECT_EQ(probed, (Names{Device("ttyS0")}));
}

TEST_F(PortEnumeration, ParallelPortsAreTheProbedLpNodes)
{
    for (std::string name : {"lp10", "lp2", "lp0", "lp1", "lpx", "lp", "usb"}) tree.Touch("dev/" + name);
    failures[Device("lp1")] = ENODEV;
    failures[Device("lp2")] = EBUSY;
    const auto lists = Enumerate();
    EXPECT_EQ(lists.parallel, (Names{"lp0", "lp2", "lp10"}));
    EXPECT_TRUE(lists.serial.empty());
}

TEST_F(PortEnumeration, MissingFoldersGiveEmptyLists)
{
    const auto lists = CCommSingleton::Enumerate((tree.Path() / "none").string(), (tree.Path() / "none").string());
    EXPECT_TRUE(lists.serial.empty());
    EXPECT_TRUE(lists.parallel.empty());
}

TEST_F(PortEnumeration, DefaultProbeOpensTheNodeOrReportsWhyNot)
{
    AddTty("ttyS0");
    EXPECT_EQ(CCommSingleton::OpenProbe(Device("ttyS0")), 0);
    EXPECT_EQ(CCommSingleton::OpenProbe(Device("ttyS9")), ENOENT);
    EXPECT_EQ(CCommSingleton::Enumerate(Dev(), (tree.Path() / "sys/class/tty").string()).serial, (Names{"ttyS0"}));
}

TEST(CommSingleton, IsBuiltOncePerProcess)
{
    EXPECT_EQ(&CCommSingleton::Instance(), &CCommSingleton::Instance());
}

}  // namespace
