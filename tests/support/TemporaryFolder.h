// A fresh folder under the system's temporary directory, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Creates an empty file (and the folders above it) at a path relative to the folder.
    std::filesystem::path Touch(const std::string& relative) const;
    // Creates a folder (and the folders above it) at a path relative to the folder.
    std::filesystem::path MakeFolder(const std::string& relative) const;
    // The same, with mode 0700: a folder only its owner may enter, as a runtime folder is.
    std::filesystem::path MakePrivateFolder(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};
