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
