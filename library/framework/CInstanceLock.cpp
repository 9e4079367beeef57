#include "CInstanceLock.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

CString SystemText(int error)
{
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

bool IsDirectory(const char* path)
{
    struct stat info = {};
    return path && path[0] == '/' && ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// A folder that only this user may change: a link, a folder of someone else's, or one that
// others may write, would let another user plant or replace the lock file.
CString FolderProblem(const CString& folder)
{
    struct stat info = {};
    if (::lstat(folder.c_str(), &info) != 0) return folder + ": " + SystemText(errno);
    if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
    if (info.st_uid != ::geteuid()) return folder + " belongs to another user";
    if ((info.st_mode & 077) != 0) return folder + " is open to other users (its mode is not 0700)";
    return {};
}

}  // namespace

CString CInstanceLock::PathFor(const CString& name, CString& problem)
{
    problem.clear();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    CString folder;
    if (runtime && runtime[0] == '/') {
        folder = runtime;
    } else {
        const char* temporary = std::getenv("TMPDIR");
        const CString base = IsDirectory(temporary) ? CString(temporary) : CString("/tmp");
        folder = base + "/quarn-" + std::to_string(::geteuid());
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            problem = "cannot create " + folder + ": " + SystemText(errno);
            return folder + "/" + name + ".lock";
        }
    }
    problem = FolderProblem(folder);
    return folder + "/" + name + ".lock";
}

// Every holder keeps a shared lock on the file. Open-file-description locks are used because
// they belong to the descriptor, not the process (two lists in one process see each other),
// and because turning an exclusive lock into a shared one is atomic, so no second holder can
// slip in between the test and the downgrade.
CInstanceLock::CInstanceLock(const CString& name)
{
    const CString path = PathFor(name, m_strProblem);
    if (!m_strProblem.empty()) return;

    m_hFile = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (m_hFile == -1) {
        m_strProblem = "cannot open " + path + ": " + SystemText(errno);
        return;
    }
    struct stat info = {};
    if (::fstat(m_hFile, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        m_strProblem = path + " is not a regular file of this user's";
        ::close(m_hFile);
        m_hFile = -1;
        return;
    }

    if (Lock(F_OFD_SETLK, F_WRLCK)) {
        SayWhoHolds();
        Lock(F_OFD_SETLK, F_RDLCK);
        return;
    }
    if (errno != EAGAIN && errno != EACCES) {
        m_strProblem = "cannot lock " + path + ": " + SystemText(errno);
        ::close(m_hFile);
        m_hFile = -1;
        return;
    }
    m_bOtherHolder = true;
    // Another newcomer may hold the exclusive lock for its test for a moment; a holder that
    // never lets it go is not waited for: this object then only knows another exists.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!Lock(F_OFD_SETLK, F_RDLCK) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    m_strHolder = HolderFromFile();
}

CInstanceLock::~CInstanceLock()
{
    if (m_hFile != -1) ::close(m_hFile);
}

bool CInstanceLock::Lock(int command, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(m_hFile, command, &lock) == 0;
}

void CInstanceLock::SayWhoHolds()
{
    // Written while the exclusive lock is held, so a newcomer never reads half of it.
    const CString text = std::to_string(::getpid()) + " " + program_invocation_short_name + "\n";
    if (::ftruncate(m_hFile, 0) == 0) {
        [[maybe_unused]] const ssize_t ignored = ::pwrite(m_hFile, text.data(), text.size(), 0);
    }
}

CString CInstanceLock::HolderFromFile() const
{
    char buffer[128] = {};
    const ssize_t n = ::pread(m_hFile, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return {};
    char* end = nullptr;
    const long pid = std::strtol(buffer, &end, 10);
    // A holder in this very process is no other program to name.
    if (pid <= 0 || *end != ' ' || pid == ::getpid()) return {};
    // The first holder may have ended while later ones still hold the guard.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return {};
    CString program(end + 1, buffer + n);
    if (const auto newline = program.find('\n'); newline != CString::npos) program.resize(newline);
    for (char& c : program)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return program + " (process " + std::to_string(pid) + ")";
}
