// Byte string of the printer library: names, paths, addresses and model texts are
// plain bytes, never converted between encodings.
#pragma once

#include <string>

using CString = std::string;

// Case-insensitive comparison of byte strings (ASCII letters fold, other bytes compare as they are).
int CompareNoCase(const CString& a, const CString& b);
inline bool EqualsNoCase(const CString& a, const CString& b) { return CompareNoCase(a, b) == 0; }
// Orders sets and maps of port names, which are told apart without regard to case.
struct LessNoCase {
    bool operator()(const CString& a, const CString& b) const { return CompareNoCase(a, b) < 0; }
};

// printf-style formatting into a CString.
CString FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
