#include "NetworkConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SimClock.h"

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
// Receives per wake-up, so that one busy connection cannot starve the others of the loop.
constexpr int kReceivesPerWake = 16;
constexpr std::uint32_t kReading = EPOLLIN | EPOLLRDHUP;

}  // namespace

NetworkConnection::NetworkConnection(EventLoop& loop, RecordLog& log, const NetworkPrinterOptions& options,
                                     int fd, std::string peer, std::uint32_t seed, Finished finished)
    : m_loop(loop), m_log(log), m_options(options), m_fd(fd), m_random(seed), m_finished(std::move(finished))
{
    m_record.printer = options.name;
    m_record.address = options.address;
    m_record.port = options.port;
    m_record.peer = std::move(peer);
    m_record.openEpochMs = EpochMs();
    m_record.openMonotonicMs = MonotonicMs();
    if (options.rate) m_rate.emplace(*options.rate);
    m_loop.Watch(m_fd, kReading, [this](std::uint32_t events) { OnEvents(events); });
    // A limit of 0 bytes applies before anything arrives.
    if (m_options.resetAfter == 0u) ResetBySimulator();
    else if (m_options.closeAfter == 0u) End("closed by simulator");
    else if (m_options.stallAfter == 0u) Stall();
}

NetworkConnection::~NetworkConnection()
{
    // The owner is going away too; it needs no word of this end.
    m_finished = nullptr;
    if (m_fd != -1 && m_recorded) close(m_fd);
    else if (m_fd != -1) End("stopped by simulator");
}

void NetworkConnection::OnEvents(std::uint32_t events)
{
    if (m_stalled || !(events & EPOLLIN)) {
        // Only a hang-up or an error can wake a stalled or paused connection.
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error == ECONNRESET) End("reset by client");
        else if (m_stalled) End("closed by client");
        else ClientFinished();
        return;
    }
    Receive();
}

void NetworkConnection::Receive()
{
    char buffer[kBufferSize];
    for (int i = 0; i < kReceivesPerWake && m_fd != -1 && !m_stalled && !m_recorded; ++i) {
        const std::size_t piece = NextPieceSize();
        if (piece == 0) return;
        const ssize_t received = recv(m_fd, buffer, piece, MSG_DONTWAIT);
        if (received > 0) {
            m_hash.Update(buffer, static_cast<std::size_t>(received));
            m_record.bytes += static_cast<std::uint64_t>(received);
            if (m_rate) m_rate->Consume(static_cast<std::uint64_t>(received));
            // Act on a limit as soon as it is reached, not only when more data comes.
            if (m_options.resetAfter && m_record.bytes >= *m_options.resetAfter) ResetBySimulator();
            else if (m_options.closeAfter && m_record.bytes >= *m_options.closeAfter) End("closed by simulator");
            else if (m_options.stallAfter && m_record.bytes >= *m_options.stallAfter) Stall();
        } else if (received == 0) {
            ClientFinished();
        } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return;
        } else {
            End(errno == ECONNRESET ? "reset by client" : std::string("error: ") + std::strerror(errno));
        }
    }
}

std::size_t NetworkConnection::NextPieceSize()
{
    std::uint64_t piece = kBufferSize;
    if (m_options.resetAfter) piece = std::min(piece, *m_options.resetAfter - m_record.bytes);
    if (m_options.closeAfter) piece = std::min(piece, *m_options.closeAfter - m_record.bytes);
    if (m_options.stallAfter) piece = std::min(piece, *m_options.stallAfter - m_record.bytes);
    if (m_options.shortReads) {
        std::uniform_int_distribution<std::uint32_t> size(1, *m_options.shortReads);
        piece = std::min<std::uint64_t>(piece, size(m_random));
    }
    if (piece == 0) return 0;
    if (m_rate) {
        const std::uint64_t allowed = m_rate->Available(RateLimiter::Clock::now());
        if (allowed == 0) {
            PauseForRate();
            return 0;
        }
        piece = std::min(piece, allowed);
    }
    return static_cast<std::size_t>(piece);
}

void NetworkConnection::PauseForRate()
{
    // Not even hang-ups are watched while paused: a half-closed peer would wake the loop
    // without end. They are seen when reading resumes.
    m_loop.Change(m_fd, 0);
    m_resume = m_loop.After(m_rate->WaitForMore(), [this] {
        m_resume.reset();
        m_loop.Change(m_fd, kReading);
        Receive();
    });
}

void NetworkConnection::Stall()
{
    // Still watch for the peer going away, which ends the connection without reading on.
    m_stalled = true;
    m_loop.Change(m_fd, EPOLLRDHUP);
}

void NetworkConnection::ResetBySimulator()
{
    End("reset by simulator", true);
}

void NetworkConnection::ClientFinished()
{
    switch (m_options.atEnd) {
    case NetworkPrinterOptions::AtEnd::Close:
        End("closed by client");
        break;
    case NetworkPrinterOptions::AtEnd::Reset:
        ResetBySimulator();
        break;
    case NetworkPrinterOptions::AtEnd::KeepOpen:
        KeepOpen();
        break;
    }
}

void NetworkConnection::KeepOpen()
{
    if (m_resume) m_loop.Cancel(*m_resume);
    m_resume.reset();
    m_loop.Unwatch(m_fd);
    Record("kept open by simulator");
    // The descriptor stays open, unwatched, until the simulator ends.
}

void NetworkConnection::Record(const std::string& how)
{
    m_record.closeEpochMs = EpochMs();
    m_record.closeMonotonicMs = MonotonicMs();
    m_record.sha256 = m_hash.FinalHex();
    m_record.end = how;
    m_log.Write(m_record);
    m_recorded = true;
}

void NetworkConnection::End(const std::string& how, bool reset)
{
    if (m_resume) m_loop.Cancel(*m_resume);
    m_resume.reset();
    m_loop.Unwatch(m_fd);
    if (reset) {
        // Lingering for 0 seconds makes close send RST instead of FIN.
        const linger abort{1, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    close(m_fd);
    m_fd = -1;
    Record(how);
    if (m_finished) m_finished(this);
}
