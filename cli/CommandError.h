// A command that cannot be carried out: the message for the operator and the exit status.
#pragma once

#include <stdexcept>
#include <string>

// Exit statuses of quarnctl.
enum : int {
    kExitOk = 0,
    kExitFailed = 1,  // a download or a printer failed, a confirmation was withheld, or printers are held
    kExitUsage = 2,   // wrong arguments, or a document that cannot be used
};

// What the statuses mean, for --help and the manual page.
inline constexpr const char* kExitStatusText =
    "0 success; 1 a download failed or was cancelled, a printer reported an error or did not answer, a "
    "confirmation was not given, or another program holds the printers; 2 wrong arguments or an unusable "
    "document.";

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
