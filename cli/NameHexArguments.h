// Printer names given as the hexadecimal of their bytes ("--name-hex HEX"), so that a script
// can name any printer it listed, also one whose name is not text or holds control bytes.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kNameHexHelp =
    "Wherever a command takes a printer NAME, --name-hex HEX may stand in its place: the name's bytes in "
    "hexadecimal, as list --json gives them (nameHex).";

// The words after the program's name, each "--name-hex HEX" replaced by the name it spells,
// in its place. Raises a CommandError (exit status 2) for HEX that is not hexadecimal.
std::vector<std::string> ExpandNameHex(int argc, const char* const* argv);
