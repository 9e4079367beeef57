#include "PrinterDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "CQuarnPrinterException.h"
#include "DeviceOpenError.h"
#include "PrinterErrors.h"

int OpenPrinterDevice(const CString& path, int flags)
{
    const CString notADevice = path + " is not a printer device; nothing was written to it.";
    const int fd = ::open(path.c_str(), flags | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno == EISDIR) throw new CQuarnPrinterException(errPortUnavailable, notADevice);
    if (fd < 0) ThrowDeviceOpenError(path, errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        ::close(fd);
        throw new CQuarnPrinterException(errPortUnavailable, notADevice);
    }
    const bool terminal = ::isatty(fd) != 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || (terminal && ::ioctl(fd, TIOCEXCL) != 0)) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK || error == EBUSY) ThrowDeviceInUse(path);
        ThrowPrinterError(errPortUnavailable);
    }
    return fd;
}

void ClosePrinterDevice(int fd)
{
    if (::isatty(fd)) ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}
