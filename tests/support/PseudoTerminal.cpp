#include "PseudoTerminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>

PseudoTerminal::PseudoTerminal(unsigned char readWaitDeciseconds)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0) throw std::runtime_error("no pseudo-terminal name");
    m_devicePath = name;

    // Settings made through the controlling side apply to the device side: raw bytes both
    // ways (no line feed translation), and reads that give up after the wait.
    termios settings{};
    tcgetattr(m_master, &settings);
    cfmakeraw(&settings);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = readWaitDeciseconds;
    tcsetattr(m_master, TCSANOW, &settings);
}

PseudoTerminal::~PseudoTerminal()
{
    if (m_master >= 0) close(m_master);
}

void PseudoTerminal::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) throw std::runtime_error("pseudo-terminal write failed");
        sent += static_cast<std::size_t>(n);
    }
}

std::string PseudoTerminal::Received(std::size_t expected, std::chrono::milliseconds wait)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + wait;
    std::string bytes;
    while (bytes.size() < expected) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd pfd{m_master, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0 || !(pfd.revents & POLLIN)) break;
        char buffer[4096];
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}
