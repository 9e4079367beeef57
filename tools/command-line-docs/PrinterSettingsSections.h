// The manual-page sections about what the printer library keeps outside the document: the
// ceiling of simultaneous downloads and the lock that lets one program at a time own the
// printers. Shared by every program that uses the library, so their pages agree.
#pragma once

#include <string>
#include <utility>
#include <vector>

std::vector<std::pair<std::string, std::string>> PrinterSettingsSections();
