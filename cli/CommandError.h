// A command that cannot be carried out: the message for the operator and the exit status.
#pragma once

#include <stdexcept>
#include <string>

// Exit statuses of quarnctl.
enum : int {
    kExitOk = 0,
    kExitFailed = 1,  // a download or a printer failed, or a confirmation was withheld
    kExitUsage = 2,   // wrong arguments, or a document that cannot be used
    kExitHeld = 3,    // another program holds the printers
};

// What the statuses mean, for --help and the manual page.
inline constexpr const char* kExitStatusText =
    "0 success; 1 a download failed or was cancelled, a printer reported an error or did not answer, or a "
    "confirmation was not given; 2 wrong arguments or an unusable document; 3 another program holds the "
    "printers.";

class CommandError : public std::runtime_error {
public:
    CommandError(const std::string& message, int exitStatus = kExitUsage)
        : std::runtime_error(message), m_exitStatus(exitStatus)
    {
    }
    int ExitStatus() const { return m_exitStatus; }

private:
    int m_exitStatus;
};
