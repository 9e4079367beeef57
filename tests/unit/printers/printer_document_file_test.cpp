// The printer-settings document on disk: what may be read, how it is replaced, and the lock
// that keeps two programs' changes from overwriting each other.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "CPrinterDocument.h"
#include "TemporaryFolder.h"

namespace {

namespace fs = std::filesystem;

// The text of the document error that action raises, or "" when it raises none.
template <class Action>
CString DocumentError(Action action)
{
    try {
        action();
    } catch (CDocumentFileException* e) {
        CExceptionHolder<> holder(e);
        return e->m_strText.empty() ? "(empty text)" : e->m_strText;
    }
    return "";
}

CString Contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return CString(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& file, const CString& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

}  // namespace

TEST(PrinterDocumentFile, OnlyARegularFileOfAtMost64MiBIsRead)
{
    TemporaryFolder folder;
    const fs::path fifo = folder.Path() / "fifo.qps";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path huge = folder.Path() / "huge.qps";
    WriteFile(huge, "");
    fs::resize_file(huge, CPrinterDocument::kMaxBytes + 1);

    // A FIFO would block the reader until some writer came; a device never ends.
    for (const fs::path& path : {fifo, fs::path("/dev/zero"), folder.Path()}) {
        CPrinterDocument document(path.string());
        EXPECT_NE(DocumentError([&] { document.Read(); }).find("is not a regular file"), CString::npos) << path;
    }
    CPrinterDocument tooBig(huge.string());
    EXPECT_NE(DocumentError([&] { tooBig.Read(); }).find("larger than 64 MiB"), CString::npos);
    CPrinterDocument missing((folder.Path() / "missing.qps").string());
    EXPECT_NE(DocumentError([&] { missing.Read(); }).find("does not exist"), CString::npos);
}

TEST(PrinterDocumentFile, SaveKeepsModeOwnerAndGroupAndClearsWhatAnInterruptedSaveLeft)
{
    TemporaryFolder folder;
    const fs::path path = folder.Path() / "site.qps";
    WriteFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    // Root may give a file away; the save of another user's document must keep it theirs.
    const bool root = ::geteuid() == 0;
    if (root) ASSERT_EQ(::chown(path.c_str(), 4242, 4343), 0);
    const fs::path left = folder.Touch(".site.qps.saving-a1B2c3");
    const fs::path notOurs[] = {folder.Touch(".site.qps.saving-toolong"), folder.Touch(".other.qps.saving-a1B2c3"),
                                folder.Touch("site.qps.saving-a1B2c3")};

    CPrinterDocument document(path.string());
    document.Lock();
    document.Write("new bytes");

    EXPECT_EQ(Contents(path), "new bytes");
    struct stat info = {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, 4242u);
        EXPECT_EQ(info.st_gid, 4343u);
    }
    EXPECT_FALSE(fs::exists(left));
    for (const fs::path& other : notOurs) EXPECT_TRUE(fs::exists(other)) << other;
    // Nothing of this save is left beside the document but its lock.
    const auto entries = std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator());
    EXPECT_EQ(entries, 2 + std::ssize(notOurs));
}

TEST(PrinterDocumentFile, LockIsExclusiveBoundedAndNeverFollowsALink)
{
    TemporaryFolder folder;
    const fs::path path = folder.Path() / "site.qps";
    CPrinterDocument first(path.string()), second(path.string());
    first.Lock();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(DocumentError([&] { second.Lock(std::chrono::milliseconds(300)); }).find("being changed by another program"),
              CString::npos);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_FALSE(second.IsLocked());
    first.Unlock();
    EXPECT_EQ(DocumentError([&] { second.Lock(std::chrono::milliseconds(300)); }), "");
    second.Unlock();

    // A link planted where the lock file goes would have the saver create a file of the
    // planter's choosing.
    const fs::path planted = folder.Path() / ".planted.qps.lock";
    const fs::path victim = folder.Path() / "victim";
    fs::create_symlink(victim, planted);
    CPrinterDocument linked((folder.Path() / "planted.qps").string());
    EXPECT_NE(DocumentError([&] { linked.Lock(); }).find("lock file"), CString::npos);
    EXPECT_FALSE(fs::exists(victim));
}

TEST(PrinterDocumentFile, ChangedOnDiskComparesWithWhatWasLastReadOrWritten)
{
    TemporaryFolder folder;
    const fs::path path = folder.Path() / "site.qps";
    CPrinterDocument document(path.string());
    EXPECT_FALSE(document.ChangedOnDisk());
    WriteFile(path, "first");
    document.Read();
    EXPECT_FALSE(document.ChangedOnDisk());
    // Another program's save of the same length at once after ours.
    WriteFile(path, "other");
    EXPECT_TRUE(document.ChangedOnDisk());
    document.Write("mine");
    EXPECT_FALSE(document.ChangedOnDisk());
    fs::remove(path);
    EXPECT_TRUE(document.ChangedOnDisk());
}
