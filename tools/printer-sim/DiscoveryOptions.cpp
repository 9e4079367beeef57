#include "DiscoveryOptions.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "OptionValues.h"

namespace {

// UDP over IPv4 carries at most this much in one datagram.
constexpr std::uint64_t kLargestDatagram = 65507;
constexpr std::size_t kRecordSize = 432;
constexpr std::size_t kAddressAt = 72;
constexpr std::size_t kNameAt = 84;

}  // namespace

bool DiscoveryOptions::Take(const std::string& key, const std::string& value)
{
    if (key == "discovery" || key == "discovery-unterminated") {
        if (!value.empty()) throw std::invalid_argument(key + " is a flag and takes no value");
        unterminated = unterminated || key == "discovery-unterminated";
    } else if (key == "discovery-name") {
        name = PercentDecoded(value, "discovery-name");
    } else if (key == "discovery-signature") {
        const std::invalid_argument refusal("discovery-signature is 6 hex digits, not '" + value + "'");
        if (value.size() != 2 * signature.size()) throw refusal;
        for (std::size_t i = 0; i < signature.size(); ++i) {
            const char* digits = value.data() + 2 * i;
            const auto [stop, error] = std::from_chars(digits, digits + 2, signature[i], 16);
            if (error != std::errc() || stop != digits + 2) throw refusal;
        }
    } else if (key == "discovery-size") {
        size = static_cast<std::size_t>(ParseNumber(value, "discovery-size", 1, kLargestDatagram));
    } else if (key == "discovery-repeat") {
        repeat = static_cast<unsigned>(ParseNumber(value, "discovery-repeat", 1, 100));
    } else if (key == "discovery-delay-ms") {
        delayMs = ParseNumber(value, "discovery-delay-ms", 0, 600000);
    } else {
        return false;
    }
    enabled = true;
    return true;
}

std::string DiscoveryOptions::Answer(std::uint32_t address) const
{
    std::string record(kRecordSize, '\0');
    std::copy(signature.begin(), signature.end(), record.begin());
    // The address is kept in network order, so its bytes go out as they are stored.
    const auto* octets = reinterpret_cast<const char*>(&address);
    std::copy(octets, octets + 4, record.begin() + kAddressAt);
    // A well-formed name always leaves room for its zero byte inside the record.
    record.replace(kNameAt, std::min(name.size(), kRecordSize - kNameAt - 1), name, 0, kRecordSize - kNameAt - 1);
    std::string datagram = record.substr(0, std::min(size, kRecordSize));
    datagram.resize(size, '\0');
    if (unterminated)
        for (std::size_t i = kNameAt; i < datagram.size(); ++i) datagram[i] = name[(i - kNameAt) % name.size()];
    return datagram;
}
