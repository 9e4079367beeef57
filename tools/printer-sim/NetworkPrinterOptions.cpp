#include "NetworkPrinterOptions.h"

#include <arpa/inet.h>
#include <charconv>
#include <stdexcept>

namespace {

std::uint64_t Number(const std::string& text, const std::string& what, std::uint64_t least)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < least)
        throw std::invalid_argument(what + " must be a whole number of at least " + std::to_string(least) + ", not '" + text + "'");
    return value;
}

}  // namespace

NetworkPrinterOptions NetworkPrinterOptions::Parse(const std::string& text)
{
    NetworkPrinterOptions options;
    const std::size_t at = text.find('@');
    const std::size_t firstComma = text.find(',');
    const std::string endpoint = text.substr(0, firstComma);
    const std::size_t colon = endpoint.rfind(':');
    if (at == std::string::npos || at == 0 || colon == std::string::npos || colon < at)
        throw std::invalid_argument("a network printer is NAME@ADDRESS:PORT[,option=value...], not '" + text + "'");
    options.name = endpoint.substr(0, at);
    options.address = endpoint.substr(at + 1, colon - at - 1);
    in_addr parsed{};
    if (inet_pton(AF_INET, options.address.c_str(), &parsed) != 1)
        throw std::invalid_argument("'" + options.address + "' is not a dotted IPv4 address");
    options.port = static_cast<int>(Number(endpoint.substr(colon + 1), "the TCP port", 0));
    if (options.port > 65535) throw std::invalid_argument("the TCP port must be below 65536");

    std::size_t start = firstComma;
    while (start != std::string::npos) {
        const std::size_t next = text.find(',', start + 1);
        const std::string item = text.substr(start + 1, next == std::string::npos ? std::string::npos : next - start - 1);
        const std::size_t equals = item.find('=');
        const std::string key = item.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
        if (key == "rate") options.rate = Number(value, "rate", 1);
        else if (key == "stall") options.stallAfter = Number(value, "stall", 0);
        else if (key == "reset") options.resetAfter = Number(value, "reset", 0);
        else if (key == "short") {
            const std::uint64_t largest = Number(value, "short", 1);
            if (largest > 1u << 20) throw std::invalid_argument("short must be at most 1048576");
            options.shortReads = static_cast<std::uint32_t>(largest);
        } else if (key == "rcvbuf") {
            const std::uint64_t size = Number(value, "rcvbuf", 1);
            if (size > 1u << 30) throw std::invalid_argument("rcvbuf must be at most 1073741824");
            options.receiveBuffer = static_cast<int>(size);
        } else {
            throw std::invalid_argument("unknown network printer option '" + item + "' (rate, stall, reset, short, rcvbuf)");
        }
        start = next;
    }
    return options;
}
