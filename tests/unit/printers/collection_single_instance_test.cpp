// The single-instance guard: TRUE exactly while another holder lives, in this process or another.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(SingleInstance, AHolderThatIsKilledLeavesNothingBehind)
{
    int output = -1;
    const pid_t holder = StartHelper("hold", &output);
    ASSERT_NE(holder, -1);
    char said[4] = {};
    ASSERT_EQ(read(output, said, sizeof said), 4);
    close(output);

    EXPECT_TRUE(CQuarnPrinters().IsAlreadyRunning());
    kill(holder, SIGKILL);
    ExitStatusOf(holder);
    EXPECT_FALSE(CQuarnPrinters().IsAlreadyRunning());
}
