// What a program says about itself beyond its options: the one-line summary of its manual
// page, how it ends, and sections of its own (files, environment).
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProgramInfo {
    std::string summary;     // the NAME line, after "program - "
    std::string exitStatus;  // paragraphs separated by blank lines
    std::vector<std::pair<std::string, std::string>> sections;  // heading, text
    std::vector<std::string> seeAlso;                          // "quarnctl(1)"
};
