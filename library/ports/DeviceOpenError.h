// The error of a device that could not be opened.
#pragma once

#include "CString.h"

// Throws the printer error for a failed open of device with errno error. A refusal for lack
// of permission names the device and the group whose members may open it, read from the
// device itself (dialout for serial ports, lp for printers on Debian), and how to join it;
// a device held by another program is unavailable and says so; any other failure is the
// port-unavailable error.
[[noreturn]] void ThrowDeviceOpenError(const CString& device, int error);

// The port-unavailable error for a device that another program holds.
[[noreturn]] void ThrowDeviceInUse(const CString& device);

// The line that says who may open device and how to get access; empty when the device
// cannot be examined.
CString DeviceAccessAdvice(const CString& device);
