#include "DeviceOpenError.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"

namespace {

CString GroupName(gid_t gid)
{
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    if (getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return std::to_string(gid);
    return found->gr_name;
}

CString UserName(uid_t uid)
{
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return "$USER";
    return found->pw_name;
}

}  // namespace

CString DeviceAccessAdvice(const CString& device)
{
    struct stat status {};
    if (::stat(device.c_str(), &status) != 0) return {};
    constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
    if ((status.st_mode & kGroupReadWrite) == kGroupReadWrite && status.st_gid != 0) {
        const CString group = GroupName(status.st_gid);
        return "You may not open " + device + ": only members of the group \"" + group +
               "\" may. Ask an administrator to add you to it (sudo adduser " + UserName(geteuid()) + " " + group +
               "), then log out and in again.";
    }
    return "You may not open " + device + ": it is open only to " + UserName(status.st_uid) +
           ". Ask an administrator to give you access to it.";
}

void ThrowDeviceInUse(const CString& device)
{
    // Busy is worth telling apart from missing: the operator closes the other program
    // instead of looking for a cable.
    throw new CQuarnPrinterException(errPortUnavailable, device + " is in use by another program.");
}

void ThrowDeviceOpenError(const CString& device, int error)
{
    if (error == EBUSY) ThrowDeviceInUse(device);
    if (error != EACCES && error != EPERM) ThrowPrinterError(errPortUnavailable);
    // A refusal is the system's, not a port that is missing or busy, so it keeps the
    // system's error number and says what would let the open succeed.
    CString advice = DeviceAccessAdvice(device);
    if (advice.empty()) advice = "You may not open " + device + ".";
    throw new CQuarnPrinterException(kPlatformErrorBase + static_cast<unsigned long>(error), advice);
}
