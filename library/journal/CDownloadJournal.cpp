#include "CDownloadJournal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DownloadOutcomeObject.h"

namespace {

namespace fs = std::filesystem;

// A descriptor closed on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd != -1) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void Reset(int fd)
    {
        if (m_fd != -1) ::close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::string SystemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

struct Account {
    std::string name;
    std::string home;
};

std::optional<Account> OwnAccount()
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found) return std::nullopt;
    return Account{found->pw_name, found->pw_dir};
}

std::string CurrentUser()
{
    const auto account = OwnAccount();
    return account ? account->name : std::to_string(::geteuid());
}

int OpenForAppend(const fs::path& path)
{
    return ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// Appends line with one write, rotating first when the line would take the file past the
// limit. Appends share the lock, so that they never wait for each other; a rotation takes it
// alone, so that no two programs rotate at once and no append lands in a file being renamed.
// Returns what went wrong, or nothing.
std::string AppendLine(const fs::path& path, const fs::path& older, const std::string& line)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return "cannot create " + path.parent_path().string() + ": " + error.message();
    const Descriptor lock(::open((path.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.Get() == -1) return SystemError("cannot open its lock file");
    if (::flock(lock.Get(), LOCK_SH) != 0) return SystemError("cannot lock it");
    Descriptor file(OpenForAppend(path));
    if (file.Get() == -1) return SystemError("cannot open it");
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return SystemError("cannot look at it");
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (status.st_size > 0 && static_cast<std::uint64_t>(status.st_size) + line.size() > CDownloadJournal::kRotateBytes) {
        file.Reset(-1);
        if (::flock(lock.Get(), LOCK_EX) != 0) return SystemError("cannot lock it");
        // Another program may have rotated it while this one waited for the lock.
        struct stat now {};
        if (::lstat(path.c_str(), &now) == 0 && S_ISREG(now.st_mode) &&
            static_cast<std::uint64_t>(now.st_size) + line.size() > CDownloadJournal::kRotateBytes &&
            ::rename(path.c_str(), older.c_str()) != 0)
            return SystemError("cannot rotate it");
        file.Reset(OpenForAppend(path));
        if (file.Get() == -1) return SystemError("cannot open it");
    }
    const ssize_t written = ::write(file.Get(), line.data(), line.size());
    if (written < 0) return SystemError("cannot write to it");
    if (static_cast<std::size_t>(written) != line.size()) return "the disk took only part of a line";
    return {};
}

}  // namespace

fs::path CDownloadJournal::DefaultPath()
{
    // Relative values are to be ignored, as the base directory rules say.
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/')
        return fs::path(state) / "quarn" / "downloads.jsonl";
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] == '/' ? home : "";
    if (const auto account = OwnAccount(); base.empty() && account) base = account->home;
    return fs::path(base) / ".local" / "state" / "quarn" / "downloads.jsonl";
}

std::string CDownloadJournal::DocumentPath(const std::string& path)
{
    if (path.empty()) return {};  // a document never saved
    std::error_code error;
    fs::path canonical = fs::canonical(path, error);
    if (error) canonical = fs::absolute(path, error).lexically_normal();
    return canonical.string();
}

CDownloadJournal::CDownloadJournal(fs::path path) : m_path(std::move(path)) {}

fs::path CDownloadJournal::OlderPath() const { return fs::path(m_path.string() + ".1"); }

std::optional<std::string> CDownloadJournal::Append(const DownloadOutcome& outcome, const std::string& program,
                                                    const std::string& document)
{
    std::string failure;
    try {
        const DownloadJournalEntry entry{outcome, DownloadOutcome::Clock::now(), program, CurrentUser(), document};
        failure = AppendLine(m_path, OlderPath(), Line(entry) + "\n");
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (failure.empty() || m_bWarned) return std::nullopt;
    m_bWarned = true;
    return "the download journal " + m_path.string() + " cannot be written (" + failure +
           "); the downloads are not recorded in it.";
}

std::string CDownloadJournal::Line(const DownloadJournalEntry& entry)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    object["time"] = IsoUtc(entry.time);
    AddText(object, "program", entry.program);
    AddText(object, "user", entry.user);
    AddText(object, "document", entry.document);
    object.update(DownloadOutcomeObject(entry.outcome));
    return DumpJson(object);
}

std::optional<DownloadJournalEntry> CDownloadJournal::ParseLine(std::string_view line)
{
    const nlohmann::json object = nlohmann::json::parse(line.begin(), line.end(), nullptr, false);
    if (object.is_discarded() || !object.is_object()) return std::nullopt;
    std::optional<DownloadOutcome> outcome = DownloadOutcomeFromObject(object);
    if (!outcome) return std::nullopt;
    DownloadJournalEntry entry{std::move(*outcome), {}, {}, {}, {}};
    CString time;
    if (!TextOf(object, "time", time) || !TextOf(object, "program", entry.program) ||
        !TextOf(object, "user", entry.user) || !TextOf(object, "document", entry.document))
        return std::nullopt;
    const auto parsed = ParseIsoUtc(time);
    if (!parsed) return std::nullopt;
    entry.time = *parsed;
    return entry;
}

void CDownloadJournal::ReadLines(std::istream& in, Contents& contents)
{
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        if (auto entry = ParseLine(line))
            contents.entries.push_back(std::move(*entry));
        else
            ++contents.damaged;
    }
}

CDownloadJournal::Contents CDownloadJournal::Read() const
{
    Contents contents;
    for (const fs::path& path : {OlderPath(), m_path}) {
        std::ifstream in(path, std::ios::binary);
        if (in) ReadLines(in, contents);
    }
    return contents;
}

std::map<CString, DownloadJournalEntry> CDownloadJournal::LastByPrinter(const Contents& contents,
                                                                       const std::string& document)
{
    std::map<CString, DownloadJournalEntry> last;
    for (const DownloadJournalEntry& entry : contents.entries) {
        if (entry.document == document) last.insert_or_assign(entry.outcome.printer, entry);
    }
    return last;
}
