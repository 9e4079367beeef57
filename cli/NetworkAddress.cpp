#include "NetworkAddress.h"

#include <arpa/inet.h>
#include <charconv>
#include <memory>
#include <netdb.h>

#include "CommandError.h"

namespace {

std::optional<int> PortAfterColon(const std::string& word, std::size_t colon)
{
    const char* first = word.data() + colon + 1;
    const char* last = word.data() + word.size();
    int port = 0;
    const auto [end, error] = std::from_chars(first, last, port);
    if (first == last || error != std::errc() || end != last || port < 1 || port > 65535)
        throw CommandError("'" + word + "' ends in a TCP port that is not 1 to 65535.");
    return port;
}

std::string ResolveIPv4(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (error != 0 || !found) {
        throw CommandError("'" + host +
                           "' is neither a network address such as 192.168.1.20 nor a host name this machine can "
                           "resolve to one (" + ::gai_strerror(error) + ").");
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, ::freeaddrinfo);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
    return text;
}

}  // namespace

NetworkAddress ParseNetworkAddress(const std::string& word)
{
    NetworkAddress result;
    const std::size_t colon = word.rfind(':');
    result.address = colon == std::string::npos ? word : word.substr(0, colon);
    if (colon != std::string::npos) result.tcpPort = PortAfterColon(word, colon);
    in_addr parsed{};
    if (result.address.empty() || ::inet_pton(AF_INET, result.address.c_str(), &parsed) == 1) return result;
    result.address = ResolveIPv4(result.address);
    result.resolved = true;
    return result;
}
