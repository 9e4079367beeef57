#include "FleetResponder.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "DatagramSocket.h"
#include "OptionValues.h"
#include "SimClock.h"

namespace {

// A /16 and then some: more than any test or benchmark needs, few enough to stay bounded.
constexpr unsigned kMostPrinters = 65536;
constexpr unsigned kMostJitterMs = 60000;
// How long one answer may wait for room in the send buffer before it counts as failed.
constexpr int kSendWaitMs = 1000;

}  // namespace

FleetOptions FleetOptions::Parse(const std::string& text)
{
    FleetOptions options;
    const std::size_t comma = text.find(',');
    const std::string address = text.substr(0, comma);
    in_addr first{};
    if (comma == std::string::npos || inet_pton(AF_INET, address.c_str(), &first) != 1)
        throw std::invalid_argument("--discovery-fleet is FIRST,COUNT[,jitter-ms=MS], not '" + text + "'");
    options.first = ntohl(first.s_addr);
    const std::size_t next = text.find(',', comma + 1);
    options.count = static_cast<unsigned>(
        ParseNumber(text.substr(comma + 1, next - comma - 1), "the fleet's printer count", 1, kMostPrinters));
    if (next != std::string::npos) {
        const std::string option = text.substr(next + 1);
        const std::string key = "jitter-ms=";
        if (option.rfind(key, 0) != 0) throw std::invalid_argument("unknown fleet option '" + option + "'");
        options.jitterMs =
            static_cast<unsigned>(ParseNumber(option.substr(key.size()), "jitter-ms", 0, kMostJitterMs));
    }
    if (std::uint64_t{options.first} + options.count > 0x100000000ULL)
        throw std::invalid_argument("the fleet's addresses run past 255.255.255.255");
    return options;
}

FleetResponder::FleetResponder(EventLoop& loop, RecordLog& log, const FleetOptions& options, std::uint32_t seed)
    : m_loop(loop), m_log(log), m_options(options), m_random(seed)
{
    m_socket = BindDatagramSocket("0.0.0.0", 0, "discovery fleet");
}

FleetResponder::~FleetResponder()
{
    for (const EventLoop::TimerId id : m_pending) m_loop.Cancel(id);
    close(m_socket);
}

void FleetResponder::Heard(std::string_view datagram, const sockaddr_in& from, const std::string&)
{
    if (datagram != DiscoveryOptions::kRequest) return;
    if (m_options.jitterMs == 0) {
        unsigned sent = 0;
        m_lastError.clear();
        for (unsigned i = 0; i < m_options.count; ++i) sent += SendAnswer(i, from) ? 1 : 0;
        Finished(from, sent, m_lastError);
        return;
    }
    // One timer per millisecond of the spread, each sending the answers drawn for it.
    struct Request {
        std::vector<std::vector<unsigned>> byDelay;
        unsigned waiting = 0;
        unsigned sent = 0;
        std::string firstError;
    };
    auto request = std::make_shared<Request>();
    request->byDelay.resize(m_options.jitterMs + 1);
    std::uniform_int_distribution<unsigned> delay(0, m_options.jitterMs);
    for (unsigned i = 0; i < m_options.count; ++i) request->byDelay[delay(m_random)].push_back(i);
    for (unsigned ms = 0; ms <= m_options.jitterMs; ++ms) {
        if (request->byDelay[ms].empty()) continue;
        ++request->waiting;
        auto id = std::make_shared<EventLoop::TimerId>();
        *id = m_loop.After(std::chrono::milliseconds(ms), [this, request, ms, from, id] {
            std::erase(m_pending, *id);
            m_lastError.clear();
            for (const unsigned index : request->byDelay[ms]) request->sent += SendAnswer(index, from) ? 1 : 0;
            if (request->firstError.empty()) request->firstError = m_lastError;
            if (--request->waiting == 0) Finished(from, request->sent, request->firstError);
        });
        m_pending.push_back(*id);
    }
}

bool FleetResponder::SendAnswer(unsigned index, const sockaddr_in& to)
{
    const std::uint32_t address = htonl(m_options.first + index);
    DiscoveryOptions discovery;
    discovery.name = "Fleet#" + std::to_string(index + 1);
    const std::string answer = discovery.Answer(address);

    // The answer leaves from the printer's own address, as each printer's would.
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    iovec piece{const_cast<char*>(answer.data()), answer.size()};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof to;
    message.msg_iov = &piece;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo source{};
    source.ipi_spec_dst.s_addr = address;
    std::memcpy(CMSG_DATA(header), &source, sizeof source);

    ssize_t sent = sendmsg(m_socket, &message, MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd room{m_socket, POLLOUT, 0};
        if (poll(&room, 1, kSendWaitMs) == 1) sent = sendmsg(m_socket, &message, MSG_NOSIGNAL);
    }
    if (sent == static_cast<ssize_t>(answer.size())) return true;
    if (m_lastError.empty()) m_lastError = sent < 0 ? std::strerror(errno) : "sent in part";
    return false;
}

void FleetResponder::Finished(const sockaddr_in& to, unsigned sent, const std::string& firstError)
{
    m_log.WriteLine({
        {"kind", "discovery fleet"},
        {"to", EndpointText(to)},
        {"printers", m_options.count},
        {"sent", sent},
        {"first_error", firstError},
        {"epoch_ms", EpochMs()},
        {"monotonic_ms", MonotonicMs()},
    });
}
