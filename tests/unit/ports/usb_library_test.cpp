// The USB access library, loaded by path and looked up by name the way detection uses it.
#include <dlfcn.h>

#include <cstdlib>
#include <gtest/gtest.h>

#include "QuarnUSB.h"
#include "TemporaryFolder.h"

namespace {

class USBLibrary : public ::testing::Test {
protected:
    USBLibrary() : m_library(::dlopen(QUARN_USB_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL))
    {
        if (m_library)
            detect = reinterpret_cast<DetectUSBDevicesFunction>(::dlsym(m_library, kDetectUSBDevicesName));
    }
    ~USBLibrary() override
    {
        ::unsetenv("QUARN_USB_DEVICE_DIR");
        if (m_library) ::dlclose(m_library);
    }

    std::vector<std::string> DetectIn(const std::filesystem::path& folder)
    {
        ::setenv("QUARN_USB_DEVICE_DIR", folder.c_str(), 1);
        std::vector<std::string> devices;
        detect(&devices);
        return devices;
    }

    void* m_library;
    DetectUSBDevicesFunction detect = nullptr;
};

TEST_F(USBLibrary, ListsThePrinterDevicesOfTheFolderInDriverOrder)
{
    ASSERT_NE(detect, nullptr) << ::dlerror();
    TemporaryFolder folder;
    for (const char* name : {"lp10", "hiddev0", "lp2", "lp", "lpt1", "lp0", "xlp1"}) folder.Touch(name);
    folder.MakeFolder("lp3");

    const auto& dir = folder.Path();
    EXPECT_EQ(DetectIn(dir), (std::vector<std::string>{(dir / "lp0").string(), (dir / "lp2").string(),
                                                        (dir / "lp10").string()}));
}

TEST_F(USBLibrary, MissingFolderAddsNothingAndKeepsTheCallersEntries)
{
    ASSERT_NE(detect, nullptr) << ::dlerror();
    TemporaryFolder folder;
    ::setenv("QUARN_USB_DEVICE_DIR", (folder.Path() / "absent").c_str(), 1);
    std::vector<std::string> devices{"kept"};
    detect(&devices);
    EXPECT_EQ(devices, std::vector<std::string>{"kept"});
}

}  // namespace
