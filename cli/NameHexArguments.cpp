#include "NameHexArguments.h"

#include "CommandError.h"
#include "VisibleText.h"

std::vector<std::string> ExpandNameHex(int argc, const char* const* argv)
{
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        std::string hex;
        if (word == "--name-hex") {
            if (i + 1 == argc) throw CommandError("--name-hex needs the hexadecimal of a printer name.");
            hex = argv[++i];
        } else if (word.rfind("--name-hex=", 0) == 0) {
            hex = word.substr(11);
        } else {
            words.push_back(word);
            continue;
        }
        std::string name;
        if (hex.empty() || !BytesOfHex(hex, name))
            throw CommandError("--name-hex " + hex + " is not a printer name in hexadecimal (two digits a byte).");
        // An option's look would make the parser take the name for one.
        if (name[0] == '-') throw CommandError("--name-hex: a printer name cannot begin with '-'.");
        words.push_back(name);
    }
    return words;
}
