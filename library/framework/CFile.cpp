#include "CFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

CFile::~CFile() { Close(); }

void CFile::OpenForReading(const CString& path)
{
    Close();
    m_strFileName = path;
    // Without blocking: opening a FIFO that no one writes would wait here for ever.
    do {
        m_hFile = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (m_hFile == -1 && errno == EINTR);
    if (m_hFile == -1) ThrowError(errno);
    struct stat status;
    if (fstat(m_hFile, &status) == -1) ThrowError(errno);
    if (!S_ISREG(status.st_mode)) {
        const char* kind = S_ISDIR(status.st_mode)    ? "a folder"
                           : S_ISFIFO(status.st_mode) ? "a FIFO"
                           : S_ISCHR(status.st_mode)  ? "a character device"
                           : S_ISBLK(status.st_mode)  ? "a block device"
                           : S_ISSOCK(status.st_mode) ? "a socket"
                                                      : "a special file";
        Close();
        throw new CFileException(m_strFileName, CString("it is ") + kind + ", not a regular file");
    }
    // Reads of a regular file never wait anyway; the flag only mattered for the open.
    fcntl(m_hFile, F_SETFL, fcntl(m_hFile, F_GETFL) & ~O_NONBLOCK);
    // Advisory only: it keeps out writers that ask, and a file system without locks is no error.
    flock(m_hFile, LOCK_SH | LOCK_NB);
}

std::uint64_t CFile::GetLength() const
{
    struct stat status;
    if (fstat(m_hFile, &status) == -1) ThrowError(errno);
    return static_cast<std::uint64_t>(status.st_size);
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count)
{
    for (;;) {
        const ssize_t got = read(m_hFile, buffer, count);
        if (got >= 0) return static_cast<std::uint32_t>(got);
        if (errno != EINTR) ThrowError(errno);
    }
}

void CFile::SeekFromCurrent(std::int64_t offset)
{
    if (lseek(m_hFile, offset, SEEK_CUR) == -1) ThrowError(errno);
}

void CFile::Close()
{
    if (m_hFile == -1) return;
    close(m_hFile);  // also drops the lock
    m_hFile = -1;
}

void CFile::ThrowError(int osError) const { throw new CFileException(osError, m_strFileName); }
