#include "PrinterDocument.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "CArchive.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"
#include "CommandError.h"

namespace {

std::string SystemText(int error) { return std::strerror(error); }

// The text of an error raised while reading a document, for the operator.
std::string ExceptionText(CException* e)
{
    if (auto* printerError = dynamic_cast<CQuarnPrinterException*>(e)) return printerError->Message();
    CString text;
    return e->GetErrorMessage(text) ? text : "it cannot be read";
}

bool WriteAll(int fd, const std::string& bytes)
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

// The folder a document would be in, when that folder is missing: the document cannot be
// there, and the operator should look at the folder, not the file name.
std::optional<std::filesystem::path> MissingFolderOf(const std::string& path)
{
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return std::nullopt;
    return folder;
}

mode_t ModeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool PrinterDocument::Exists() const
{
    std::error_code error;
    return std::filesystem::exists(m_path, error);
}

std::string PrinterDocument::ReadBytes() const
{
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd == -1) {
        if (errno == ENOENT) {
            if (const auto folder = MissingFolderOf(m_path))
                throw CommandError("The folder " + folder->string() + " of the printer settings document " + m_path +
                                   " does not exist.");
            throw CommandError("The printer settings document " + m_path +
                               " does not exist. Check the name, or create it with 'quarnctl add " + m_path +
                               " --network ADDRESS'.");
        }
        throw CommandError("The printer settings document " + m_path + " cannot be opened: " + SystemText(errno) +
                           ".");
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw CommandError("The printer settings document " + m_path + " cannot be read: " + SystemText(error) +
                               ".");
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void PrinterDocument::Load(CQuarnPrinters& printers, CWnd* pNotifyWnd) const
{
    const std::string hint = " It has not been changed; restore it from a copy, or choose another document.";
    CArchive archive(ReadBytes());
    try {
        printers.Serialize(archive, pNotifyWnd);
    } catch (CException* e) {
        CExceptionHolder<> error(e);
        throw CommandError("The printer settings document " + m_path + " cannot be used: " + ExceptionText(e) + hint);
    }
    // Bytes the library would ignore would be lost on the next save; better to stop here.
    if (archive.Remaining() != 0) {
        throw CommandError("The printer settings document " + m_path + " holds " +
                           std::to_string(archive.Remaining()) +
                           " bytes after its last printer; it is damaged or not a printer settings document." + hint);
    }
}

void PrinterDocument::Save(CQuarnPrinters& printers) const
{
    CArchive archive;
    printers.Serialize(archive, nullptr);

    // A symbolic link stays a link: the file it points to is the one replaced.
    std::error_code error;
    std::filesystem::path target = std::filesystem::weakly_canonical(m_path, error);
    if (error) target = m_path;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";

    struct stat existing = {};
    const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : ModeForNewFile();

    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    auto fail = [&](int systemError) {
        if (const auto missing = MissingFolderOf(m_path); systemError == ENOENT && missing)
            throw CommandError("The printer settings document " + m_path + " could not be saved: its folder " +
                               missing->string() + " does not exist.");
        throw CommandError("The printer settings document " + m_path + " could not be saved: " +
                           SystemText(systemError) + ". It has been left as it was.");
    };
    if (fd == -1) fail(errno);
    const bool written = WriteAll(fd, archive.Buffer()) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int saveError = written ? errno : writeError;
        ::unlink(temporary.c_str());
        fail(saveError);
    }
    // The rename itself must reach the disk before the change counts as made.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd != -1) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}
