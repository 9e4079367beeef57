// Discovery answers come from anyone on the network: the filter and the record must never
// read outside the datagram or the record, whatever arrives.
#include <cstddef>
#include <cstdint>

#include "DiscoveryPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    // The first byte picks the sender, so the own-address filter is exercised too.
    const CString sender = (data[0] & 1) ? "10.0.0.1" : "0.0.0.0";
    const auto record = AcceptDiscoveryAnswer(data + 1, size - 1, sender, {"10.0.0.1"});
    if (record) {
        if (record->length > DiscoveryResponsePacketF3::kSize || record->length > size - 1) __builtin_trap();
        const CString name = record->Name();
        if (name.size() > record->length) __builtin_trap();
        (void)record->Address();
    }
    return 0;
}
