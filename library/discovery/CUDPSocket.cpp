#include "CUDPSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/sock_diag.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "LocalInterfaces.h"

namespace {

constexpr std::size_t kReceiveBufferSize = 4096;
// Datagrams taken by one system call.
constexpr unsigned kBatch = 64;
// Batches taken per wake-up: a flood of datagrams must not keep the thread from its messages
// (the end of the search, quit) for long.
constexpr int kBatchesPerWake = 256;

// As big as wanted when the process may exceed the system's limit (SO_RCVBUFFORCE needs
// CAP_NET_ADMIN), else as big as net.core.rmem_max allows. The size the system granted.
int SizeReceiveBuffer(int fd, int wanted)
{
    if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &wanted, sizeof wanted) != 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &wanted, sizeof wanted);
    int granted = 0;
    socklen_t length = sizeof granted;
    if (getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0) return 0;
    return granted;
}

}  // namespace

CUDPSocket::CUDPSocket(IDiscoveryResults* pOwner, int port, int wantedReceiveBuffer)
    : m_nPort(port), m_setLocalAddresses(LocalIPv4Addresses()), m_pOwnerThread(pOwner)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd == -1) {
        m_strProblem = std::string("no UDP socket could be made: ") + std::strerror(errno);
        return;
    }
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        // Most often another search (or another program) holds the port: without it no answer
        // can arrive, so saying "nothing found" would be a lie.
        m_strProblem = "UDP port " + std::to_string(port) + " cannot be used (" + std::strerror(errno) + ")";
        close(fd);
        return;
    }
    m_hSocket = fd;
    m_nReceiveBuffer = SizeReceiveBuffer(fd, wantedReceiveBuffer);
}

CUDPSocket::~CUDPSocket()
{
    if (m_hSocket != -1) close(m_hSocket);
}

bool CUDPSocket::SendTo(const CString& address)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(m_nPort));
    if (inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) return false;
    return sendto(m_hSocket, kDiscoveryRequest.data(), kDiscoveryRequest.size(), MSG_NOSIGNAL,
                  reinterpret_cast<sockaddr*>(&target), sizeof target) == static_cast<ssize_t>(kDiscoveryRequest.size());
}

bool CUDPSocket::SendDiscoveryRequest()
{
    if (!IsUsable()) return false;
    bool sent = SendTo("255.255.255.255");
    int lastError = sent ? 0 : errno;
    for (const CString& broadcast : InterfaceBroadcastAddresses()) {
        if (SendTo(broadcast)) sent = true;
        else lastError = errno;
    }
    if (!sent)
        m_strProblem = "no network interface can carry the search's broadcast" +
                       (lastError != 0 ? std::string(" (") + std::strerror(lastError) + ")" : std::string());
    return sent;
}

void CUDPSocket::OnReceive(int errorCode)
{
    if (errorCode == ENETDOWN || !IsUsable()) return;
    // Answers are taken until none waits: a big site's answers arrive faster than one
    // datagram per wake-up could make room for them.
    for (int i = 0; i < kBatchesPerWake; ++i)
        if (ReceiveBatch() < static_cast<int>(kBatch)) return;
}

std::uint32_t CUDPSocket::LostDatagrams() const
{
    std::uint32_t memory[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof memory;
    if (!IsUsable() || getsockopt(m_hSocket, SOL_SOCKET, SO_MEMINFO, memory, &length) != 0 ||
        length <= SK_MEMINFO_DROPS * sizeof memory[0])
        return 0;
    return memory[SK_MEMINFO_DROPS];
}

int CUDPSocket::ReceiveBatch()
{
    m_batchBuffer.resize(kBatch * kReceiveBufferSize);
    mmsghdr messages[kBatch] = {};
    iovec pieces[kBatch];
    sockaddr_in senders[kBatch];
    for (unsigned i = 0; i < kBatch; ++i) {
        pieces[i] = {m_batchBuffer.data() + i * kReceiveBufferSize, kReceiveBufferSize};
        msghdr& header = messages[i].msg_hdr;
        header.msg_name = &senders[i];
        header.msg_namelen = sizeof senders[i];
        header.msg_iov = &pieces[i];
        header.msg_iovlen = 1;
    }
    const int count = recvmmsg(m_hSocket, messages, kBatch, MSG_DONTWAIT, nullptr);
    if (count <= 0) return 0;
    for (int i = 0; i < count; ++i) {
        const msghdr& header = messages[i].msg_hdr;
        // A datagram longer than the buffer is dropped rather than taken in part.
        if (messages[i].msg_len == 0 || (header.msg_flags & MSG_TRUNC)) continue;
        char senderText[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &senders[i].sin_addr, senderText, sizeof senderText);
        auto record = AcceptDiscoveryAnswer(static_cast<const std::uint8_t*>(pieces[i].iov_base), messages[i].msg_len,
                                            senderText, m_setLocalAddresses);
        if (record && m_pOwnerThread)
            m_pOwnerThread->AppendResult(std::make_unique<DiscoveryResponsePacketF3>(*record));
    }
    return count;
}
