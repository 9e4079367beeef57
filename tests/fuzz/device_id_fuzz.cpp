// A USB device ID answer is whatever the printer's firmware sends: reading the model out of
// it must stay inside the answer, whatever its length field says.
#include <cstddef>
#include <cstdint>

#include "DeviceId.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CString text = DeviceIdText(data, size);
    if (size < 2 ? !text.empty() : text.size() > size - 2) __builtin_trap();
    if (text.find('\0') != CString::npos) __builtin_trap();
    // The model is two pieces of the text and one space.
    if (ModelFromDeviceId(data, size).size() > text.size() + 1) __builtin_trap();
    // The text without a length field, as a driver that strips it would hand it over.
    const CString raw(reinterpret_cast<const char*>(data), size);
    if (ModelFromDeviceIdText(raw).size() > raw.size() + 1) __builtin_trap();
    return 0;
}
