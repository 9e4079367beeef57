#include "CPrinterDocument.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "CArchive.h"
#include "CQuarnPrinters.h"

IMPLEMENT_DYNAMIC(CDocumentFileException, CException)

namespace {

// Temporary files of a save are named after the document with this mark, so that the next
// save can tell its own leftovers from anything else in the folder.
const char* const kTemporaryMark = ".saving-";

CString SystemText(int error)
{
    char buffer[256];
    return strerror_r(error, buffer, sizeof buffer);
}

[[noreturn]] void Fail(const CString& text) { throw new CDocumentFileException(text); }

bool WriteAll(int fd, const CString& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t ModeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::filesystem::path FolderOf(const std::filesystem::path& file)
{
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Said instead of the system's "No such file or directory" when the document's folder is
// missing: the operator should look at the folder, not at the file name.
CString MissingFolderText(const CString& path)
{
    const std::filesystem::path folder = std::filesystem::absolute(path.c_str()).parent_path();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return {};
    return "its folder " + folder.string() + " does not exist";
}

// Unlinks what an interrupted save of the document left beside it. Only a lock holder calls
// this, and every saver holds the lock, so no other save can be writing one of them now.
void RemoveLeftTemporaries(const std::filesystem::path& target)
{
    const CString prefix = "." + target.filename().string() + kTemporaryMark;
    DIR* folder = ::opendir(FolderOf(target).c_str());
    if (!folder) return;
    const int folderFd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        const CString name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        struct stat info = {};
        if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::closedir(folder);
}

// Gives the new file the old one's owner and group; a saver that may not give it away keeps
// at least the group when it is a member. Done before the mode: a change of owner clears
// the set-id bits.
void KeepOwnerAndGroup(int fd, const struct stat& old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
}

}  // namespace

bool CDocumentFileException::GetErrorMessage(CString& text) const
{
    text = m_strText;
    return true;
}

CPrinterDocument::CPrinterDocument(CString path) : m_strPath(std::move(path)) {}

CPrinterDocument::~CPrinterDocument() { Unlock(); }

void CPrinterDocument::Unlock()
{
    if (m_hLock != -1) ::close(m_hLock);
    m_hLock = -1;
}

CString CPrinterDocument::Target() const
{
    // A symbolic link stays a link: the file it points to is the one read, locked and replaced.
    std::error_code error;
    std::filesystem::path target = std::filesystem::weakly_canonical(m_strPath, error);
    return error ? m_strPath : target.string();
}

void CPrinterDocument::Lock(std::chrono::milliseconds wait)
{
    if (m_hLock != -1) return;
    const std::filesystem::path target = Target();
    const std::filesystem::path lockPath = FolderOf(target) / ("." + target.filename().string() + ".lock");
    // Read-only is enough for flock, and lets users who share the folder share one lock file.
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd == -1) {
        if (const CString missing = MissingFolderText(m_strPath); errno == ENOENT && !missing.empty())
            Fail("The printer settings document " + m_strPath + " cannot be changed: " + missing + ".");
        Fail("The printer settings document " + m_strPath + " cannot be changed: its lock file " +
             lockPath.string() + " cannot be opened: " + SystemText(errno) + ".");
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        Fail("The printer settings document " + m_strPath + " cannot be changed: its lock file " +
             lockPath.string() + " is not a regular file.");
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            Fail("The printer settings document " + m_strPath +
                 (error == EWOULDBLOCK ? CString(" is being changed by another program; it was still busy after ") +
                                             std::to_string(wait.count() / 1000) + " s. Try again later."
                                       : " cannot be locked: " + SystemText(error) + "."));
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    m_hLock = fd;
}

bool CPrinterDocument::Exists() const
{
    struct stat info = {};
    return ::stat(m_strPath.c_str(), &info) == 0;
}

CString CPrinterDocument::Read()
{
    // Non-blocking, so that a FIFO in the document's place is refused instead of waited on.
    const int fd = ::open(m_strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd == -1) {
        const int error = errno;
        if (error == ENOENT) {
            const CString missing = MissingFolderText(m_strPath);
            Fail("The printer settings document " + m_strPath + " does not exist" +
                 (missing.empty() ? CString(".") : ": " + missing + "."));
        }
        Fail("The printer settings document " + m_strPath + " cannot be opened: " + SystemText(error) + ".");
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        Fail("The printer settings document " + m_strPath + " is not a regular file.");
    }
    const auto tooBig = [this] {
        Fail("The printer settings document " + m_strPath + " is larger than " + std::to_string(kMaxBytes >> 20) +
             " MiB; it is not a printer settings document.");
    };
    if (static_cast<std::uint64_t>(info.st_size) > kMaxBytes) {
        ::close(fd);
        tooBig();
    }
    CString bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            Fail("The printer settings document " + m_strPath + " cannot be read: " + SystemText(error) + ".");
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        // A file that grows while it is read is held to the same bound.
        if (bytes.size() > kMaxBytes) {
            ::close(fd);
            tooBig();
        }
    }
    ::close(fd);
    m_strKnownBytes = bytes;
    m_bKnown = true;
    return bytes;
}

void CPrinterDocument::Load(CQuarnPrinters& printers, CWnd* pNotifyWnd)
{
    CArchive archive(Read());
    printers.Serialize(archive, pNotifyWnd);
    if (archive.Remaining() != 0) {
        Fail("The printer settings document " + m_strPath + " holds " + std::to_string(archive.Remaining()) +
             " bytes after its last printer; it is damaged or not a printer settings document.");
    }
}

void CPrinterDocument::Write(const CString& bytes)
{
    const std::filesystem::path target = Target();
    const std::filesystem::path folder = FolderOf(target);
    const auto fail = [this](int error) {
        const CString missing = error == ENOENT ? MissingFolderText(m_strPath) : CString();
        Fail("The printer settings document " + m_strPath + " could not be saved: " +
             (missing.empty() ? SystemText(error) : missing) + ". It has been left as it was.");
    };

    if (IsLocked()) RemoveLeftTemporaries(target);
    struct stat old = {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;

    CString temporary = (folder / ("." + target.filename().string() + kTemporaryMark + "XXXXXX")).string();
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd == -1) fail(errno);
    if (replacing) KeepOwnerAndGroup(fd, old);
    const bool written = WriteAll(fd, bytes) &&
                         ::fchmod(fd, replacing ? (old.st_mode & 07777) : ModeForNewFile()) == 0 &&
                         ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = !written ? writeError : !closed ? closeError : errno;
        ::unlink(temporary.c_str());
        fail(error);
    }
    // The rename itself must reach the disk before the change counts as made.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd != -1) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    m_strKnownBytes = bytes;
    m_bKnown = true;
}

void CPrinterDocument::Save(CQuarnPrinters& printers)
{
    CArchive archive;
    printers.Serialize(archive, nullptr);
    Write(archive.Buffer());
}

bool CPrinterDocument::ChangedOnDisk() const
{
    if (!m_bKnown) return false;
    CPrinterDocument current(m_strPath);
    try {
        return current.Read() != m_strKnownBytes;
    } catch (CException* e) {
        e->Delete();
        return true;
    }
}

CString DescribeDroppedDuplicates(const CQuarnPrinters& printers)
{
    CString text;
    for (const auto& dropped : printers.DroppedDuplicates()) {
        text += "The document repeats the printer name \"" + dropped.m_strName + "\": record " +
                std::to_string(dropped.m_nDropped) + " (port " + dropped.m_strDroppedPort + ") is dropped; record " +
                std::to_string(dropped.m_nKept) + " (port " + dropped.m_strKeptPort + ") keeps the name.\n";
    }
    return text;
}
