#include "PrinterCommands.h"

#include <cctype>

namespace PrinterCommands {

namespace {

const CString kUsageMarker = "usage = ";

// The leading decimal number of text as the C library reads it: blanks skipped, an
// optional sign, digits up to the first other character, 0 without digits. Values beyond
// int saturate instead of overflowing. hadDigits tells a real 0 from none at all.
int LeadingNumber(const CString& text, bool& hadDigits)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    hadDigits = i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return static_cast<int>(value);
}

// Keeps the text after the next marker (or all but its first 7 characters when there is
// none), without commas, and reads one number from it.
int TakeUsageValue(CString& remaining, bool& hadDigits)
{
    const std::size_t at = remaining.find(kUsageMarker);
    if (at != CString::npos) remaining.erase(0, at + kUsageMarker.size());
    else remaining.erase(0, remaining.size() < 7 ? remaining.size() : 7);
    std::erase(remaining, ',');
    return LeadingNumber(remaining, hadDigits);
}

}  // namespace

char UnitLetter(EDisplayUnits units) { return units == duInches ? 'i' : 'm'; }

CString PrintOdometers(EDisplayUnits units) { return CString("\nURL") + UnitLetter(units) + "p\n"; }
CString PrintHeadHistory(EDisplayUnits units) { return CString("\nURH") + UnitLetter(units) + "p\n"; }
CString AskHeadHistory(EDisplayUnits units) { return CString("\nURH") + UnitLetter(units) + "\n"; }
CString AskOdometers(EDisplayUnits units) { return CString("\nURL") + UnitLetter(units) + "\n"; }

CString FirstLine(const CString& answer)
{
    const std::size_t end = answer.find_first_of("\r\n");
    if (end != CString::npos) return answer.substr(0, end);
    // A serial number as long as the whole read lost its line end to the read's size, not
    // to a printer that said nothing usable.
    return answer.size() >= kAnswerBufferSize ? answer : CString();
}

void ParseOdometers(const CString& answer, int& first, int& second)
{
    first = second = -1;
    const CString text = answer.substr(0, answer.find('\0'));
    if (text.empty()) return;
    CString remaining = text;
    bool hadDigits = false;
    first = TakeUsageValue(remaining, hadDigits);
    second = TakeUsageValue(remaining, hadDigits);
}

bool OdometerAnswerHasBothNumbers(const CString& answer)
{
    CString remaining = answer.substr(0, answer.find('\0'));
    bool firstHadDigits = false;
    bool secondHadDigits = false;
    TakeUsageValue(remaining, firstHadDigits);
    TakeUsageValue(remaining, secondHadDigits);
    return firstHadDigits && secondHadDigits;
}

CString EscapeSerialNumber(const CString& serial)
{
    CString escaped;
    for (char c : serial) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<CString> SetSerialNumberCommand(const CString& serial)
{
    const CString escaped = EscapeSerialNumber(serial);
    const CString command = "\nheS\"" + escaped + "\"\r\n";
    if (command.size() > kSetSerialCommandMax) return std::nullopt;
    return command;
}

}  // namespace PrinterCommands
