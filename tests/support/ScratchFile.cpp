#include "ScratchFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

ScratchFile::ScratchFile(const std::string& bytes)
{
    std::string path = (std::filesystem::temp_directory_path() / "quarn-scratch-XXXXXX").string();
    const int fd = mkstemp(path.data());
    if (fd == -1) throw std::runtime_error("mkstemp failed");
    m_path = path;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            close(fd);
            throw std::runtime_error("write failed");
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
}

ScratchFile::~ScratchFile() { std::remove(m_path.c_str()); }

std::string ScratchFile::Pattern(std::size_t length)
{
    std::string bytes(length, '\0');
    // Period 251 (prime) never lines up with the 1024-byte chunks.
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i % 251) ^ (i / 251));
    return bytes;
}
