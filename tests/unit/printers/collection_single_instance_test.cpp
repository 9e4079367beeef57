// The single-instance guard: TRUE exactly while another holder lives, in this process or another.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CInstanceLock.h"
#include "ScopedEnvironment.h"
#include "collection_test_access.h"

extern char** environ;

namespace {

// This test program doubles as the other process: started with QUARN_LOCK_HELPER set, it
// only takes the guard and never reaches the tests. "probe" reports the answer in its exit
// status; "hold" says so on stdout and keeps the guard until it is killed.
constexpr int kAnsweredTrue = 10;
constexpr int kAnsweredFalse = 11;

bool RunAsLockHelper()
{
    const char* mode = std::getenv("QUARN_LOCK_HELPER");
    if (!mode) return false;
    CQuarnPrinters printers;
    const bool running = printers.IsAlreadyRunning();
    if (std::string(mode) == "hold") {
        if (write(STDOUT_FILENO, "held", 4) != 4) _exit(1);
        for (;;) pause();
    }
    _exit(running ? kAnsweredTrue : kAnsweredFalse);
}
const bool g_ranAsHelper = RunAsLockHelper();

pid_t StartHelper(const char* mode, int* pOutput = nullptr)
{
    int pipe[2];
    if (pipe2(pipe, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) env.emplace_back(*entry);
    env.push_back(std::string("QUARN_LOCK_HELPER=") + mode);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    char program[] = "/proc/self/exe";
    char* argv[] = {program, nullptr};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipe[1]);
    if (pOutput)
        *pOutput = pipe[0];
    else
        close(pipe[0]);
    return spawned == 0 ? pid : -1;
}

int ExitStatusOf(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a new process would be told now.
int ProbeFromAnotherProcess()
{
    const pid_t pid = StartHelper("probe");
    return pid == -1 ? -1 : ExitStatusOf(pid);
}

class SingleInstance : public ::testing::Test {
protected:
    IsolatedSettings m_settings;  // the lock file lives in a temporary folder of the test's own
};

}  // namespace

TEST_F(SingleInstance, AnotherProcessSeesTheHolderOnlyWhileItLives)
{
    ASSERT_FALSE(g_ranAsHelper);
    EXPECT_EQ(ProbeFromAnotherProcess(), kAnsweredFalse);
    {
        CQuarnPrinters printers;
        EXPECT_FALSE(printers.IsAlreadyRunning());
        EXPECT_EQ(ProbeFromAnotherProcess(), kAnsweredTrue);
    }
    EXPECT_EQ(ProbeFromAnotherProcess(), kAnsweredFalse);
}

TEST_F(SingleInstance, EveryListThatAskedIsAHolder)
{
    auto first = std::make_unique<CQuarnPrinters>();
    EXPECT_FALSE(first->IsAlreadyRunning());
    CQuarnPrinters second;
    EXPECT_TRUE(second.IsAlreadyRunning());
    // The first may go; the second still holds the guard.
    first.reset();
    EXPECT_TRUE(CQuarnPrinters().IsAlreadyRunning());
    CQuarnPrinters notAsking;
    EXPECT_EQ(ProbeFromAnotherProcess(), kAnsweredTrue);
}

TEST_F(SingleInstance, AHolderInAnotherProcessIsNamedAndLeavesNothingBehindWhenKilled)
{
    int output = -1;
    const pid_t holder = StartHelper("hold", &output);
    ASSERT_NE(holder, -1);
    char said[4] = {};
    ASSERT_EQ(read(output, said, sizeof said), 4);
    close(output);

    {
        CQuarnPrinters printers;
        EXPECT_TRUE(printers.IsAlreadyRunning());
        // Named after the refusal, so that the operator knows what to end.
        EXPECT_NE(printers.InstanceLockHolder().find("(process " + std::to_string(holder) + ")"), CString::npos)
            << printers.InstanceLockHolder();
    }
    kill(holder, SIGKILL);
    ExitStatusOf(holder);
    EXPECT_FALSE(CQuarnPrinters().IsAlreadyRunning());
}

TEST_F(SingleInstance, TheLockFileLivesOnlyWhereNoOtherUserCanPlantOrReplaceIt)
{
    const std::filesystem::path runtime = m_settings.folder.Path() / "run";
    CString problem;
    EXPECT_EQ(CInstanceLock::PathFor("QuarnPrinters", problem), (runtime / "QuarnPrinters.lock").string());
    EXPECT_EQ(problem, "");
    {
        CQuarnPrinters printers;
        EXPECT_FALSE(printers.IsAlreadyRunning());
        EXPECT_EQ(printers.InstanceLockProblem(), "");
        struct stat info = {};
        ASSERT_EQ(::stat((runtime / "QuarnPrinters.lock").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }

    // Without a runtime folder: a folder of the user's own under the temporary folder.
    ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", "");
    const std::filesystem::path own = m_settings.folder.Path() / "tmp" / ("quarn-" + std::to_string(::geteuid()));
    EXPECT_EQ(CInstanceLock::PathFor("QuarnPrinters", problem), (own / "QuarnPrinters.lock").string());
    EXPECT_EQ(problem, "");
    struct stat folderInfo = {};
    ASSERT_EQ(::stat(own.c_str(), &folderInfo), 0);
    EXPECT_EQ(folderInfo.st_mode & 0777, 0700u);
    {
        // A missing temporary folder must not put the lock at the root of the file system.
        ScopedEnvironment missing("TMPDIR", (m_settings.folder.Path() / "missing").string());
        EXPECT_EQ(CInstanceLock::PathFor("QuarnPrinters", problem).rfind("/tmp/quarn-", 0), 0u);
    }

    // Each of these let another user choose the file a root run creates, or let a second
    // program run unseen; the lock is then not taken, and the reason is told.
    const std::filesystem::path lock = own / "QuarnPrinters.lock";
    const std::filesystem::path victim = m_settings.folder.Path() / "victim";
    const std::vector<std::pair<std::string, std::function<void()>>> faults = {
        {"link", [&] { std::filesystem::create_symlink(victim, lock); }},
        {"folder", [&] { std::filesystem::create_directory(lock); }},
        {"open folder", [&] { std::filesystem::permissions(own, std::filesystem::perms::all); }},
    };
    for (const auto& [fault, make] : faults) {
        std::filesystem::remove(lock);
        make();
        CQuarnPrinters printers;
        EXPECT_FALSE(printers.IsAlreadyRunning()) << fault;
        EXPECT_NE(printers.InstanceLockProblem(), "") << fault;
        EXPECT_FALSE(std::filesystem::exists(victim)) << fault;
    }
}

TEST_F(SingleInstance, AHolderStuckInItsTestIsNotWaitedForWithoutBound)
{
    CString problem;
    const int fd = ::open(CInstanceLock::PathFor("QuarnPrinters", problem).c_str(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_NE(fd, -1);
    // As a newcomer that took the exclusive lock for its test and then stopped (or another
    // program that keeps it for good).
    struct flock exclusive = {};
    exclusive.l_type = F_WRLCK;
    exclusive.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &exclusive), 0);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(CQuarnPrinters().IsAlreadyRunning());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ::close(fd);
}
