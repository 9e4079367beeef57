#include "TemporaryFolder.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quarn-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path TemporaryFolder::Touch(const std::string& relative) const
{
    const std::filesystem::path file = m_path / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream{file};
    return file;
}

std::filesystem::path TemporaryFolder::MakeFolder(const std::string& relative) const
{
    const std::filesystem::path folder = m_path / relative;
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path TemporaryFolder::MakePrivateFolder(const std::string& relative) const
{
    const std::filesystem::path folder = MakeFolder(relative);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    return folder;
}
