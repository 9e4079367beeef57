// Byte string of the printer library: names, paths, addresses and model texts are
// plain bytes, never converted between encodings.
#pragma once

#include <string>

using CString = std::string;

// Case-insensitive comparison of byte strings (ASCII letters fold, other bytes compare as they are).
int CompareNoCase(const CString& a, const CString& b);
inline bool EqualsNoCase(const CString& a, const CString& b) { return CompareNoCase(a, b) == 0; }

// printf-style formatting into a CString.
CString FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
