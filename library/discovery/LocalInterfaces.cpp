#include "LocalInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace {

CString Dotted(const sockaddr* address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    return text;
}

template <class Visit>
void ForEachIPv4Interface(Visit visit)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next)
        if (entry->ifa_addr && entry->ifa_addr->sa_family == AF_INET) visit(*entry);
    freeifaddrs(list);
}

}  // namespace

std::set<CString> LocalIPv4Addresses()
{
    std::set<CString> addresses;
    ForEachIPv4Interface([&](const ifaddrs& entry) { addresses.insert(Dotted(entry.ifa_addr)); });
    return addresses;
}

std::vector<CString> InterfaceBroadcastAddresses()
{
    std::vector<CString> addresses;
    ForEachIPv4Interface([&](const ifaddrs& entry) {
        const bool usable = (entry.ifa_flags & IFF_UP) && (entry.ifa_flags & IFF_RUNNING) &&
                            (entry.ifa_flags & IFF_BROADCAST) && entry.ifa_broadaddr;
        if (!usable) return;
        const CString address = Dotted(entry.ifa_broadaddr);
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
    });
    return addresses;
}
