#include "CString.h"

#include <cstdarg>
#include <cstdio>

namespace {
int FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }
}  // namespace

int CompareNoCase(const CString& a, const CString& b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int d = FoldAscii(static_cast<unsigned char>(a[i])) - FoldAscii(static_cast<unsigned char>(b[i]));
        if (d != 0) return d < 0 ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

CString FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    CString result;
    if (length > 0) {
        result.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(result.data(), result.size(), format, args);
        result.resize(static_cast<std::size_t>(length));
    }
    va_end(args);
    return result;
}
