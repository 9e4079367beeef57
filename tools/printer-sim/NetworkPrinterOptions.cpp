#include "NetworkPrinterOptions.h"

#include <arpa/inet.h>
#include <stdexcept>

#include "OptionValues.h"

namespace {

NetworkPrinterOptions::AtEnd ParseAtEnd(const std::string& value)
{
    if (value == "close") return NetworkPrinterOptions::AtEnd::Close;
    if (value == "reset") return NetworkPrinterOptions::AtEnd::Reset;
    if (value == "open") return NetworkPrinterOptions::AtEnd::KeepOpen;
    throw std::invalid_argument("atend is close, reset or open, not '" + value + "'");
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
    options.port = static_cast<int>(ParseNumber(endpoint.substr(colon + 1), "the TCP port", 0, 65535));

    const std::string list = firstComma == std::string::npos ? std::string() : text.substr(firstComma + 1);
    for (const OptionItem& item : SplitOptionItems(list)) {
        const std::string& value = item.value;
        if (item.key == "rate") options.rate = ParseNumber(value, "rate", 1);
        else if (item.key == "stall") options.stallAfter = ParseNumber(value, "stall", 0);
        else if (item.key == "reset") options.resetAfter = ParseNumber(value, "reset", 0);
        else if (item.key == "close") options.closeAfter = ParseNumber(value, "close", 0);
        else if (item.key == "atend") options.atEnd = ParseAtEnd(value);
        else if (item.key == "short") options.shortReads = static_cast<std::uint32_t>(ParseNumber(value, "short", 1, 1u << 20));
        else if (item.key == "rcvbuf") options.receiveBuffer = static_cast<int>(ParseNumber(value, "rcvbuf", 1, 1u << 30));
        else if (!options.discovery.Take(item.key, value))
            throw std::invalid_argument("unknown network printer option '" + item.text +
                                        "' (rate, stall, reset, close, atend, short, rcvbuf, discovery...)");
    }
    if (options.discovery.enabled && options.discovery.name.empty()) options.discovery.name = options.name;
    return options;
}
