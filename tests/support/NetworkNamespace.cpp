#include "NetworkNamespace.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

bool EnterOwnNetworkNamespace()
{
    // Without the privilege for a plain network namespace, a user namespace grants it.
    if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd == -1) return false;
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &loopback) == 0;
    if (up) {
        loopback.ifr_flags |= IFF_UP;
        up = ioctl(fd, SIOCSIFFLAGS, &loopback) == 0;
    }
    close(fd);
    return up;
}
