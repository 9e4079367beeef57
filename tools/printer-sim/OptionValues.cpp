#include "OptionValues.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

std::vector<OptionItem> SplitOptionItems(const std::string& list)
{
    std::vector<OptionItem> items;
    if (list.empty()) return items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        OptionItem item;
        item.text = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t equals = item.text.find('=');
        item.key = item.text.substr(0, equals);
        if (equals != std::string::npos) item.value = item.text.substr(equals + 1);
        items.push_back(std::move(item));
        if (comma == std::string::npos) return items;
        start = comma + 1;
    }
}

std::uint64_t ParseNumber(const std::string& text, const std::string& what, std::uint64_t least, std::uint64_t most)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < least)
        throw std::invalid_argument(what + " must be a whole number of at least " + std::to_string(least) + ", not '" + text + "'");
    if (value > most) throw std::invalid_argument(what + " must be at most " + std::to_string(most));
    return value;
}

std::string PercentDecoded(const std::string& text, const std::string& what)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        unsigned value = 0;
        const char* digits = text.data() + i + 1;
        const auto [stop, error] = std::from_chars(digits, digits + std::min<std::size_t>(2, text.size() - i - 1), value, 16);
        if (error != std::errc() || stop != digits + 2)
            throw std::invalid_argument(what + ": '%' must be followed by two hex digits in '" + text + "'");
        bytes += static_cast<char>(value);
        i += 2;
    }
    return bytes;
}
