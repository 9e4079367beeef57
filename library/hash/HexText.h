// Bytes written as lower-case hex, for records a person or a test can read.
#pragma once

#include <string>
#include <string_view>

std::string HexText(std::string_view bytes);
