#include "DiscoveryPacket.h"

#include <algorithm>
#include <cstring>

CString DiscoveryResponsePacketF3::Address() const
{
    const std::uint8_t* a = bytes.data() + kAddressOffset;
    return FormatString("%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
}

CString DiscoveryResponsePacketF3::Name() const
{
    if (length <= kNameOffset) return CString();
    const auto* begin = reinterpret_cast<const char*>(bytes.data()) + kNameOffset;
    const auto* end = reinterpret_cast<const char*>(bytes.data()) + length;
    return CString(begin, std::find(begin, end, '\0'));
}

std::optional<DiscoveryResponsePacketF3> AcceptDiscoveryAnswer(const std::uint8_t* data, std::size_t length,
                                                              const CString& sender,
                                                              const std::set<CString>& ownAddresses)
{
    if (sender == "0.0.0.0" || ownAddresses.count(sender)) return std::nullopt;
    if (length < 3 || data[0] != 0x3A || data[1] != 0x2C || data[2] != 0x2E) return std::nullopt;
    // Without all four address bytes there is no printer to add.
    if (length < DiscoveryResponsePacketF3::kAddressOffset + 4) return std::nullopt;
    DiscoveryResponsePacketF3 record;
    record.length = std::min(length, DiscoveryResponsePacketF3::kSize);
    std::memcpy(record.bytes.data(), data, record.length);
    return record;
}
