// The USB access library's one entry point, looked up by name after loading the library.
#pragma once

#include <string>
#include <vector>

// Appends the device path of every USB printer on this machine to *devices, in the
// driver's numbering order (lp2 before lp10); each path opens as a CUSBPort. The usblp
// devices are looked for in /dev/usb, or in the folder named by QUARN_USB_DEVICE_DIR.
extern "C" void DetectUSBDevices(std::vector<std::string>* devices);

using DetectUSBDevicesFunction = void (*)(std::vector<std::string>*);

inline constexpr const char* kQuarnUSBLibraryName = "libQuarnUSB.so";
inline constexpr const char* kDetectUSBDevicesName = "DetectUSBDevices";
