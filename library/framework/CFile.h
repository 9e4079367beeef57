// A file opened for reading while others are kept from writing it (a shared lock stands
// in for the platform's deny-write sharing); errors are raised as CFileException naming
// the file.
#pragma once

#include <cstdint>

#include "CException.h"

class CFile {
public:
    CFile() = default;
    // Closes the file, ignoring errors.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path read-only and takes a shared lock when one can be had. Anything but a
    // regular file (a FIFO, a device, a directory, or a link to one) is refused: it could
    // block the reader, never end, or change under it.
    void OpenForReading(const CString& path);
    std::uint64_t GetLength() const;
    // Reads up to count bytes; 0 only at the end of the file.
    std::uint32_t Read(void* buffer, std::uint32_t count);
    // Moves the position by offset bytes from where it stands.
    void SeekFromCurrent(std::int64_t offset);
    // Closes the file, ignoring errors; closing a closed file does nothing.
    void Close();

    const CString& GetFilePath() const { return m_strFileName; }

private:
    [[noreturn]] void ThrowError(int osError) const;

    int m_hFile = -1;
    CString m_strFileName;
};
