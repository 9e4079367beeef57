// Reading the NAME@WHERE,key=value,... printer descriptions of the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct OptionItem {
    std::string key;
    std::string value;  // empty for a bare flag
    std::string text;   // the item as written, for messages
};

// The comma-separated items of list; an empty list gives none. Commas inside values are
// written %2C (see PercentDecoded).
std::vector<OptionItem> SplitOptionItems(const std::string& list);

// Throws std::invalid_argument unless text is a whole number of at least least and at most most.
std::uint64_t ParseNumber(const std::string& text, const std::string& what, std::uint64_t least,
                          std::uint64_t most = UINT64_MAX);

// Texts on the command line carry any byte as %XX (two hex digits), so that answers can
// hold commas, line ends and zero bytes; throws std::invalid_argument on a broken escape.
std::string PercentDecoded(const std::string& text, const std::string& what);
