// Runs quarnctl for a test and collects what it printed and how it ended.
#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <unistd.h>
#include <vector>

extern char** environ;

struct QuarnctlResult {
    int exitStatus = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
};

class QuarnctlRunner {
public:
    // Environment entries given here replace the test's own.
    explicit QuarnctlRunner(std::map<std::string, std::string> environment) : m_environment(std::move(environment)) {}

    // Limits the size of files the program may write (a full disk, without needing one).
    void LimitFileSize(rlim_t bytes) { m_fileSizeLimit = bytes; }
    // Gives the program a terminal (a pseudo-terminal's device) for stdin and stderr, as an
    // operator at a console has; stdout stays collected.
    void UseTerminal(std::string device) { m_terminal = std::move(device); }
    // Sends stdout to that terminal too, as an operator reading the output there has it.
    void UseTerminalForOutput() { m_terminalOutput = true; }
    // Runs the program as another user, member of groups besides its own group gid.
    void RunAs(uid_t uid, gid_t gid, std::vector<gid_t> groups)
    {
        m_user = {uid, gid, std::move(groups)};
    }
    // Runs another copy of the program.
    void UseProgram(std::string path) { m_program = std::move(path); }

    // Starts quarnctl; Wait collects it. Everything is prepared before fork, so the child
    // only calls what is safe between fork and exec.
    pid_t Start(const std::vector<std::string>& arguments)
    {
        std::vector<std::string> words = {m_program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);

        std::map<std::string, std::string> merged;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const auto equals = text.find('=');
            if (equals != std::string::npos) merged[text.substr(0, equals)] = text.substr(equals + 1);
        }
        for (const auto& [name, value] : m_environment) merged[name] = value;
        std::vector<std::string> entries;
        for (const auto& [name, value] : merged) entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries) envp.push_back(entry.data());
        envp.push_back(nullptr);

        // Pipes, not files: a file-size limit must not cut what the program says.
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return -1;
        const rlim_t limit = m_fileSizeLimit;
        const char* terminal = m_terminal.empty() ? nullptr : m_terminal.c_str();
        const bool terminalOutput = m_terminalOutput;
        const std::optional<User> user = m_user;
        const pid_t pid = fork();
        if (pid == 0) {
            // Groups first: once the user is set, they can no longer be changed.
            if (user && (setgroups(user->groups.size(), user->groups.data()) != 0 || setgid(user->gid) != 0 ||
                         setuid(user->uid) != 0))
                _exit(126);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            if (terminal) {
                const int fd = open(terminal, O_RDWR | O_NOCTTY);
                if (fd == -1) _exit(127);
                dup2(fd, STDIN_FILENO);
                dup2(fd, STDERR_FILENO);
                if (terminalOutput) dup2(fd, STDOUT_FILENO);
            }
            if (limit != RLIM_INFINITY) {
                const rlimit size = {limit, limit};
                setrlimit(RLIMIT_FSIZE, &size);
                // A write past the limit then fails with EFBIG instead of ending the program.
                signal(SIGXFSZ, SIG_IGN);
            }
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        m_out = std::thread(&QuarnctlRunner::ReadAll, this, out[0], &m_result.out);
        m_err = std::thread(&QuarnctlRunner::ReadAll, this, err[0], &m_result.err);
        return pid;
    }

    // A program still running after limit is killed, and counts as ended by a signal.
    QuarnctlResult Wait(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(60))
    {
        int status = 0;
        m_result.exitStatus = -1;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        pid_t ended = 0;
        while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else if (ended == pid && WIFEXITED(status)) {
            m_result.exitStatus = WEXITSTATUS(status);
        }
        m_out.join();
        m_err.join();
        std::lock_guard lock(m_mutex);
        return std::exchange(m_result, {});
    }

    // Waits until the running program has written text to stderr; false when limit passed.
    bool WaitForError(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(20))
    {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, limit, [&] { return m_result.err.find(text) != std::string::npos; });
    }

    QuarnctlResult Run(const std::vector<std::string>& arguments) { return Wait(Start(arguments)); }

    static std::string Slurp(const std::filesystem::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    void ReadAll(int fd, std::string* text)
    {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
            if (n <= 0) continue;
            std::lock_guard lock(m_mutex);
            text->append(buffer, static_cast<std::size_t>(n));
            m_arrived.notify_all();
        }
        ::close(fd);
    }

    struct User {
        uid_t uid;
        gid_t gid;
        std::vector<gid_t> groups;
    };

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    QuarnctlResult m_result;
    std::thread m_out;
    std::thread m_err;
    std::map<std::string, std::string> m_environment;
    rlim_t m_fileSizeLimit = RLIM_INFINITY;
    std::string m_terminal;
    std::optional<User> m_user;
    std::string m_program = QUARNCTL_PATH;
    bool m_terminalOutput = false;
};
