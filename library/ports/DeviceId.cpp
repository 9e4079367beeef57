#include "DeviceId.h"

#include <algorithm>

CString DeviceIdText(const std::uint8_t* answer, std::size_t size)
{
    constexpr std::size_t kLengthBytes = 2;
    if (size < kLengthBytes) return CString();
    const std::size_t declared = (static_cast<std::size_t>(answer[0]) << 8) | answer[1];
    const std::size_t end = std::min(declared, size);
    if (end <= kLengthBytes) return CString();
    const auto* first = answer + kLengthBytes;
    const auto* last = std::find(first, answer + end, std::uint8_t{0});
    return CString(first, last);
}

CString ModelFromDeviceIdText(const CString& text)
{
    static const CString kManufacturerKey = "MFG:";
    static const CString kModelKey = "MDL:";

    const std::size_t manufacturerKey = text.find(kManufacturerKey);
    if (manufacturerKey == CString::npos) return CString();
    const std::size_t manufacturerStart = manufacturerKey + kManufacturerKey.size();
    const std::size_t manufacturerEnd = text.find(';', manufacturerStart);
    const CString manufacturer = text.substr(manufacturerStart, manufacturerEnd - manufacturerStart);
    if (manufacturerEnd == CString::npos) return manufacturer;

    const std::size_t modelKey = text.find(kModelKey, manufacturerEnd + 1);
    if (modelKey == CString::npos) return manufacturer;
    const std::size_t modelStart = modelKey + kModelKey.size();
    const std::size_t modelEnd = text.find(';', modelStart);
    return manufacturer + " " + text.substr(modelStart, modelEnd - modelStart);
}

CString ModelFromDeviceId(const std::uint8_t* answer, std::size_t size)
{
    return ModelFromDeviceIdText(DeviceIdText(answer, size));
}
