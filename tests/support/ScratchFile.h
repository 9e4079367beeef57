// A file with given bytes in the temporary directory, removed when the object ends.
#pragma once

#include <cstddef>
#include <string>

class ScratchFile {
public:
    explicit ScratchFile(const std::string& bytes);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return m_path; }

    // Bytes that differ from their neighbours, so a lost, doubled or swapped chunk shows.
    static std::string Pattern(std::size_t length);

private:
    std::string m_path;
};
