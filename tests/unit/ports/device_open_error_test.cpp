// What an operator is told when a printer's device cannot be opened: a missing or busy port
// is unavailable; a refused one names the device and who may open it.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <gtest/gtest.h>

#include "CQuarnPrinterException.h"
#include "DeviceOpenError.h"
#include "TemporaryFolder.h"

namespace {

// The error ThrowDeviceOpenError raises, taken over from the heap.
CQuarnPrinterException ErrorFor(const CString& device, int error)
{
    try {
        ThrowDeviceOpenError(device, error);
    } catch (CQuarnPrinterException* e) {
        CQuarnPrinterException copy(e->m_dwCode, e->m_strDetail);
        e->Delete();
        return copy;
    }
    return CQuarnPrinterException(0);
}

bool Contains(const CString& text, const CString& part) { return text.find(part) != CString::npos; }

}  // namespace

TEST(DeviceOpenError, RefusalNamesTheDeviceAndWhoMayOpenIt)
{
    TemporaryFolder folder;
    const CString device = folder.Touch("ttyS7").string();

    // Open to a group: its members may, and the advice is to join it.
    gid_t groupId = getegid();
    if (groupId == 0) groupId = 65534;  // as root, any group but root's own will do
    ASSERT_EQ(chown(device.c_str(), static_cast<uid_t>(-1), groupId), 0);
    ASSERT_EQ(chmod(device.c_str(), 0660), 0);
    const struct group* entry = getgrgid(groupId);
    const CString groupName = entry ? entry->gr_name : std::to_string(groupId);
    const CQuarnPrinterException toGroup = ErrorFor(device, EACCES);
    EXPECT_EQ(toGroup.m_dwCode, kPlatformErrorBase + EACCES) << "a refusal is not a missing port";
    EXPECT_TRUE(Contains(toGroup.m_strDetail, device)) << toGroup.m_strDetail;
    EXPECT_TRUE(Contains(toGroup.m_strDetail, "group \"" + groupName + "\"")) << toGroup.m_strDetail;
    EXPECT_TRUE(Contains(toGroup.m_strDetail, " " + groupName + "), then log out and in again")) << toGroup.m_strDetail;
    EXPECT_TRUE(Contains(toGroup.Message(), "Permission denied")) << toGroup.Message();

    // Open to its owner alone: no group would help.
    ASSERT_EQ(chmod(device.c_str(), 0600), 0);
    const CQuarnPrinterException toOwner = ErrorFor(device, EPERM);
    EXPECT_EQ(toOwner.m_dwCode, kPlatformErrorBase + EPERM);
    EXPECT_TRUE(Contains(toOwner.m_strDetail, device + ": it is open only to ")) << toOwner.m_strDetail;
    EXPECT_FALSE(Contains(toOwner.m_strDetail, "group")) << toOwner.m_strDetail;
}

TEST(DeviceOpenError, MissingOrBusyPortsAreUnavailableAndABusyOneSaysSo)
{
    for (const int error : {ENOENT, ENXIO}) {
        const CQuarnPrinterException unavailable = ErrorFor("/dev/ttyS98", error);
        EXPECT_EQ(unavailable.m_dwCode, errPortUnavailable) << error;
        EXPECT_EQ(unavailable.m_strDetail, "") << error;
    }
    const CQuarnPrinterException busy = ErrorFor("/dev/ttyS98", EBUSY);
    EXPECT_EQ(busy.m_dwCode, errPortUnavailable);
    EXPECT_EQ(busy.m_strDetail, "/dev/ttyS98 is in use by another program.");
}
