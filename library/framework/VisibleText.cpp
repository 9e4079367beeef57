#include "VisibleText.h"

namespace {

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
std::size_t Utf8SequenceAt(const CString& bytes, std::size_t i, char32_t& codePoint)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    return length;
}

bool IsControl(char32_t codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F); }

const char kHexDigits[] = "0123456789abcdef";

void AppendEscaped(CString& out, unsigned char byte)
{
    out += "\\x";
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

}  // namespace

CString VisibleText(const CString& bytes)
{
    CString out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceAt(bytes, i, codePoint);
        if (length == 0) {
            AppendEscaped(out, static_cast<unsigned char>(bytes[i]));
            ++i;
            continue;
        }
        if (IsControl(codePoint)) {
            for (std::size_t k = 0; k < length; ++k) AppendEscaped(out, static_cast<unsigned char>(bytes[i + k]));
        } else if (codePoint == '\\') {
            out += "\\\\";
        } else {
            out.append(bytes, i, length);
        }
        i += length;
    }
    return out;
}

CString VisibleLines(const CString& text)
{
    CString out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != CString::npos; start = end + 1) {
        // Printers end their answers' lines with CR LF; a CR just before the LF moves nothing.
        const bool crlf = end > start && text[end - 1] == '\r';
        out += VisibleText(text.substr(start, end - start - crlf)) + (crlf ? "\r\n" : "\n");
    }
    return out + VisibleText(text.substr(start));
}

bool IsValidUtf8(const CString& bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceAt(bytes, i, codePoint);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

CString HexOf(const CString& bytes)
{
    CString hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kHexDigits[byte >> 4];
        hex += kHexDigits[byte & 0x0F];
    }
    return hex;
}

bool BytesOfHex(const CString& hex, CString& bytes)
{
    const auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2 != 0) return false;
    CString out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = value(hex[i]), low = value(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
    }
    bytes = std::move(out);
    return true;
}
