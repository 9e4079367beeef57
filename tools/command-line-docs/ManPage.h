// A program's manual page in the man(7) macro language, read off its CLI11 definition.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "ProgramInfo.h"

// Every visible option and subcommand of app (option groups included, hidden options left
// out), with info's summary, exit status and sections.
void WriteManPage(const CLI::App& app, const ProgramInfo& info, std::ostream& out);

enum class TextLayout {
    Filled,  // paragraphs apart by blank lines; other line breaks only wrapped the text
    Terms,   // also: a paragraph of several lines is a term (its first line) and its description
};

// Text as roff shows it literally: backslashes and hyphens escaped, no line starting with
// a control character, laid out as asked.
std::string RoffText(const std::string& text, TextLayout layout = TextLayout::Filled);
