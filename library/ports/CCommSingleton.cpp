#include "CCommSingleton.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <utility>

#include "CPortBase.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSerialPrefixes[] = {"ttyS", "ttyUSB", "ttyACM"};
constexpr const char* kParallelPrefix = "lp";

// A device name split into its prefix and number, the key of the natural order (ttyS2
// before ttyS10).
struct NumberedName {
    CString name;
    CString prefix;
    unsigned long number = 0;
};

bool SplitNumberedName(const CString& name, const char* prefix, NumberedName& out)
{
    const CString head(prefix);
    if (name.size() <= head.size() || name.compare(0, head.size(), head) != 0) return false;
    const CString digits = name.substr(head.size());
    // Bounded so the number always fits; no real machine has more ports than this.
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = {name, head, std::stoul(digits)};
    return true;
}

std::vector<CString> NaturallySorted(std::vector<NumberedName> found)
{
    std::sort(found.begin(), found.end(), [](const NumberedName& a, const NumberedName& b) {
        return std::tie(a.prefix, a.number, a.name) < std::tie(b.prefix, b.number, b.name);
    });
    std::vector<CString> names;
    for (auto& entry : found) names.push_back(std::move(entry.name));
    return names;
}

std::vector<CString> DirectoryNames(const fs::path& dir)
{
    std::vector<CString> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

bool Exists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

// A port that opens is usable; one held by another program (busy, or refused to us) still
// exists and is offered. Anything else, such as the I/O error of a serial port whose
// hardware is absent, means there is no port.
bool PortIsPresent(const CString& devicePath, const CCommSingleton::Probe& probe)
{
    const int error = probe(devicePath);
    return error == 0 || error == EBUSY || error == EACCES;
}

}  // namespace

CCommSingleton::CCommSingleton()
{
    PortLists lists = Enumerate(kDevicePrefix, "/sys/class/tty");
    m_listSerial = std::move(lists.serial);
    m_listParallel = std::move(lists.parallel);
}

CCommSingleton& CCommSingleton::Instance()
{
    static CCommSingleton instance;
    return instance;
}

int CCommSingleton::OpenProbe(const CString& devicePath)
{
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

CCommSingleton::PortLists CCommSingleton::Enumerate(const CString& devDir, const CString& sysClassTty,
                                                    const Probe& probe)
{
    const fs::path dev(devDir);
    const fs::path ttyClass(sysClassTty);

    std::vector<NumberedName> serial;
    for (const CString& name : DirectoryNames(ttyClass)) {
        NumberedName entry;
        const bool numbered = std::any_of(std::begin(kSerialPrefixes), std::end(kSerialPrefixes),
                                          [&](const char* prefix) { return SplitNumberedName(name, prefix, entry); });
        // Every possible 8250 port has a tty; only those bound to a driver can be hardware.
        if (!numbered || !Exists(ttyClass / name / "device" / "driver") || !Exists(dev / name)) continue;
        if (PortIsPresent((dev / name).string(), probe)) serial.push_back(entry);
    }

    std::vector<NumberedName> parallel;
    for (const CString& name : DirectoryNames(dev)) {
        NumberedName entry;
        if (SplitNumberedName(name, kParallelPrefix, entry) && PortIsPresent((dev / name).string(), probe))
            parallel.push_back(entry);
    }

    return {NaturallySorted(std::move(serial)), NaturallySorted(std::move(parallel))};
}
