// Reading a printer's manufacturer and model out of its IEEE 1284 device ID.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CString.h"

// The text of a raw device ID answer: a big-endian length that counts its own two bytes,
// then the text. The text ends at that length, at the end of the buffer or at a zero
// byte, whichever comes first.
CString DeviceIdText(const std::uint8_t* answer, std::size_t size);

// "<manufacturer> <model>": the text after "MFG:" up to ";", and after the "MDL:" that
// follows that ";" up to ";" or the end. Without "MFG:" the result is empty; without a
// model after it, the manufacturer alone.
CString ModelFromDeviceIdText(const CString& text);

// Both steps over a raw answer.
CString ModelFromDeviceId(const std::uint8_t* answer, std::size_t size);
