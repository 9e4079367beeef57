#include "NetworkNamespace.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

namespace {

constexpr const char* kNamedFolder = "/var/run/netns/";

// Runs a program with its output dropped; its exit status, or -1 when it could not be started.
int Run(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The identity of a network namespace file, or 0 when it cannot be seen.
ino_t NamespaceIdentity(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Deletes the namespaces of earlier test processes that ended without cleaning up (killed or
// crashed), recognised by the process id in their names.
void DeleteAbandonedNamespaces()
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(kNamedFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("quarn-", 0) != 0) continue;
        const auto dash = name.find('-', std::strlen("quarn-"));
        const pid_t owner = static_cast<pid_t>(std::atoi(name.c_str() + (dash == std::string::npos ? 0 : dash + 1)));
        if (owner > 0 && kill(owner, 0) == -1 && errno == ESRCH) Run({"ip", "netns", "delete", name});
    }
}

}  // namespace

std::unique_ptr<NetworkNamespace> NetworkNamespace::Create(const std::string& role, std::string& whyNot)
{
    if (geteuid() != 0) {
        whyNot = "named network namespaces need root";
        return nullptr;
    }
    if (Run({"ip", "-V"}) != 0) {
        whyNot = "the ip command (iproute2) is not installed";
        return nullptr;
    }
    DeleteAbandonedNamespaces();
    static std::atomic<int> counter{0};
    const std::string name = "quarn-" + role + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    if (Run({"ip", "netns", "add", name}) != 0) {
        whyNot = "ip netns add " + name + " failed: network namespaces are not allowed here";
        return nullptr;
    }
    std::unique_ptr<NetworkNamespace> space(new NetworkNamespace(name));
    if (!space->Ip({"link", "set", "lo", "up"})) {
        whyNot = "the loopback of " + name + " cannot be brought up";
        return nullptr;
    }
    return space;
}

NetworkNamespace::~NetworkNamespace() { Run({"ip", "netns", "delete", m_name}); }

bool NetworkNamespace::Ip(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> command = {"ip", "-n", m_name};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Run(command) == 0;
}

bool NetworkNamespace::WaitUntilRunning(const std::string& interface) const
{
    const ThreadVisit visit(*this);
    if (!visit.Entered()) return false;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd == -1) return false;
    ifreq request{};
    std::strncpy(request.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool running = false;
    while (!running && std::chrono::steady_clock::now() < deadline) {
        running = ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING) != 0;
        if (!running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(fd);
    return running;
}

NetworkNamespace::ThreadVisit::ThreadVisit(const NetworkNamespace& space)
    : m_hHome(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
{
    const std::string path = kNamedFolder + space.Name();
    const int target = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_hHome == -1 || target == -1) {
        if (target != -1) close(target);
        return;
    }
    const bool moved = setns(target, CLONE_NEWNET) == 0;
    close(target);
    // Checked by identity, not by the call's result alone: a broadcast from the wrong place
    // would reach the machine's real network.
    m_bEntered = moved && NamespaceIdentity("/proc/thread-self/ns/net") == NamespaceIdentity(path);
}

NetworkNamespace::ThreadVisit::~ThreadVisit()
{
    if (m_hHome == -1) return;
    setns(m_hHome, CLONE_NEWNET);
    close(m_hHome);
}
