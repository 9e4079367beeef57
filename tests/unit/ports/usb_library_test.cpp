// The USB access library, loaded by path and looked up by name the way detection uses it.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include "QuarnUSB.h"
#include "ScopedEnvironment.h"
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
        if (m_library) ::dlclose(m_library);
    }

    // What detection reports, with the device folder moved to folder; devices the caller
    // already had stay in front.
    std::vector<std::string> DetectIn(const std::filesystem::path& folder, std::vector<std::string> devices = {})
    {
        const ScopedEnvironment deviceFolder("QUARN_USB_DEVICE_DIR", folder.string());
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
    EXPECT_EQ(DetectIn(folder.Path() / "absent", {"kept"}), std::vector<std::string>{"kept"});
}

}  // namespace
