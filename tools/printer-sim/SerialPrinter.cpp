#include "SerialPrinter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Reads per wake-up, so that one busy line cannot starve the other printers of the loop.
constexpr int kReadsPerWake = 16;
// While no host has the device open the controlling side reports a hang-up without end;
// it is looked at again this often instead of being watched.
constexpr auto kHostProbeInterval = std::chrono::milliseconds(20);
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;

[[noreturn]] void Fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace

SerialPrinter::SerialPrinter(EventLoop& loop, RecordLog& log, SerialPrinterOptions options)
    : m_loop(loop), m_log(log), m_options(std::move(options))
{
    const std::string who = "serial printer " + m_options.name;
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master == -1) Fail("no pseudo-terminal for " + who);
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0 ||
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0) {
        const int error = errno;
        close(m_master);
        errno = error;
        Fail("cannot prepare the pseudo-terminal of " + who);
    }
    m_device = name;
    // Settings made through the controlling side are the device side's: raw bytes until the
    // host chooses its own.
    termios line{};
    tcgetattr(m_master, &line);
    cfmakeraw(&line);
    tcsetattr(m_master, TCSANOW, &line);
    // Opening and closing the device once puts the controlling side into the state it has
    // whenever no host holds the device, so that every host's opening is seen alike, the first too.
    const int device = open(m_device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (device != -1) close(device);
    try {
        MakeLink();
    } catch (...) {
        close(m_master);
        throw;
    }
    WaitForHost();
}

SerialPrinter::~SerialPrinter()
{
    if (m_session) EndSession("stopped by simulator");
    if (m_probe) m_loop.Cancel(*m_probe);
    if (m_release) m_loop.Cancel(*m_release);
    if (m_watching) m_loop.Unwatch(m_master);
    close(m_master);
    RemoveLink();
}

void SerialPrinter::MakeLink()
{
    struct stat existing{};
    if (lstat(m_options.link.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode))
        throw std::runtime_error(m_options.link + " exists and is not a symbolic link; it is left alone");
    // A stale link of an earlier run is replaced in one step, so a host never finds none.
    const std::string fresh = m_options.link + ".new-" + std::to_string(getpid());
    unlink(fresh.c_str());
    if (symlink(m_device.c_str(), fresh.c_str()) != 0) Fail("cannot make the link " + fresh);
    if (rename(fresh.c_str(), m_options.link.c_str()) != 0) {
        const int error = errno;
        unlink(fresh.c_str());
        errno = error;
        Fail("cannot make the link " + m_options.link);
    }
    m_linked = true;
}

void SerialPrinter::RemoveLink()
{
    if (!m_linked) return;
    // Someone may have pointed the link elsewhere since; only our own is removed.
    char target[256];
    const ssize_t length = readlink(m_options.link.c_str(), target, sizeof target);
    if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == m_device) unlink(m_options.link.c_str());
}

void SerialPrinter::Watch()
{
    m_watching = true;
    m_loop.Watch(m_master, m_output.empty() ? EPOLLIN : EPOLLIN | EPOLLOUT, [this](std::uint32_t events) { OnEvents(events); });
}

void SerialPrinter::OnEvents(std::uint32_t events)
{
    if (events & EPOLLOUT) Flush();
    if (m_watching && (events & (EPOLLIN | EPOLLHUP | EPOLLERR))) ReadWaiting();
}

void SerialPrinter::ReadWaiting()
{
    char buffer[kBufferSize];
    for (int i = 0; i < kReadsPerWake && m_watching; ++i) {
        const ssize_t got = read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            Take(std::string_view(buffer, static_cast<std::size_t>(got)));
        } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        } else {
            // The controlling side reads EIO once the last host has closed the device and
            // everything it wrote has been read.
            HostClosed(got == 0 || errno == EIO ? "closed by host" : std::string("error: ") + std::strerror(errno));
        }
    }
}

void SerialPrinter::Take(std::string_view bytes)
{
    if (!m_session) StartSession();
    m_session->Received(bytes, m_master);
    for (const std::string& question : m_scanner.Feed(bytes)) {
        const bool answered = !m_options.silent && m_questionsSeen >= m_options.unanswered;
        ++m_questionsSeen;
        if (answered) Send(m_options.AnswerTo(question));
        m_session->Asked(question, answered);
    }
    if (m_options.xoffAfter && !m_heldThisSession && m_session->Bytes() >= *m_options.xoffAfter) Hold();
}

void SerialPrinter::HostClosed(const std::string& how)
{
    m_loop.Unwatch(m_master);
    m_watching = false;
    // A host that came and went between two looks still leaves its line in the record.
    if (!m_session) m_session.emplace();
    EndSession(how);
    WaitForHost();
}

void SerialPrinter::WaitForHost()
{
    m_probe = m_loop.After(kHostProbeInterval, [this] {
        m_probe.reset();
        pollfd state{m_master, POLLIN, 0};
        poll(&state, 1, 0);
        if ((state.revents & POLLHUP) && !(state.revents & POLLIN)) {
            WaitForHost();
            return;
        }
        // Bytes waiting are read, and a host that has gone again is seen, by the watch.
        if (!(state.revents & POLLHUP)) StartSession();
        Watch();
    });
}

void SerialPrinter::StartSession()
{
    m_session.emplace();
    m_scanner.Reset();
    m_heldThisSession = false;
    if (m_options.xoffAfter == 0u) Hold();
}

void SerialPrinter::EndSession(const std::string& how)
{
    // An answer the host did not stay to read is lost, as on a real line.
    m_output.clear();
    // A line still held is let go, so that the next host does not start on a stopped line.
    ReleaseLine();
    m_log.WriteLine(m_session->Finish(m_options.name, m_options.link, m_device, how, m_master));
    m_session.reset();
}

void SerialPrinter::Send(std::string_view bytes)
{
    m_output.append(bytes);
    Flush();
}

void SerialPrinter::Flush()
{
    while (!m_output.empty()) {
        const ssize_t written = write(m_master, m_output.data(), m_output.size());
        if (written > 0) {
            m_output.erase(0, static_cast<std::size_t>(written));
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN && m_watching) {
            m_loop.Change(m_master, EPOLLIN | EPOLLOUT);
            return;
        } else {
            m_output.clear();
        }
    }
    if (m_watching) m_loop.Change(m_master, EPOLLIN);
}

void SerialPrinter::Hold()
{
    m_held = true;
    m_heldThisSession = true;
    Send(std::string_view(&kXoff, 1));
    m_session->SentFlowControl("xoff");
    if (m_options.xonAfterMs)
        m_release = m_loop.After(std::chrono::milliseconds(*m_options.xonAfterMs), [this] {
            m_release.reset();
            Release();
        });
}

void SerialPrinter::ReleaseLine()
{
    if (!m_held) return;
    if (m_release) m_loop.Cancel(*m_release);
    m_release.reset();
    Release();
}

void SerialPrinter::Release()
{
    m_held = false;
    Send(std::string_view(&kXon, 1));
    if (m_session) m_session->SentFlowControl("xon");
}
