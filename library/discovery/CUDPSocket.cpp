#include "CUDPSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "LocalInterfaces.h"

namespace {
constexpr std::size_t kReceiveBufferSize = 4096;
}  // namespace

CUDPSocket::CUDPSocket(IDiscoveryResults* pOwner, int port)
    : m_nPort(port), m_setLocalAddresses(LocalIPv4Addresses()), m_pOwnerThread(pOwner)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd == -1) return;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return;
    }
    m_hSocket = fd;
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
    for (const CString& broadcast : InterfaceBroadcastAddresses()) sent = SendTo(broadcast) || sent;
    return sent;
}

void CUDPSocket::OnReceive(int errorCode)
{
    if (errorCode == ENETDOWN || !IsUsable()) return;
    std::uint8_t buffer[kReceiveBufferSize];
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    // MSG_TRUNC reports the datagram's real length, so one longer than the buffer is
    // recognised and dropped rather than taken in part.
    const ssize_t length = recvfrom(m_hSocket, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sender),
                                    &senderLength);
    if (length <= 0 || static_cast<std::size_t>(length) > sizeof buffer) return;
    char senderText[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &sender.sin_addr, senderText, sizeof senderText);
    auto record = AcceptDiscoveryAnswer(buffer, static_cast<std::size_t>(length), senderText, m_setLocalAddresses);
    if (record && m_pOwnerThread)
        m_pOwnerThread->AppendResult(std::make_unique<DiscoveryResponsePacketF3>(*record));
}
