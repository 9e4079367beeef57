// How one simulated serial printer answers and holds its line, read from NAME@LINK[,key=value...].
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct SerialPrinterOptions {
    std::string name;
    std::string link;  // symbolic link made to point at the pseudo-terminal's device
    std::string serialNumber = "XJ42";
    std::string odometerInches = "Label usage = 1,234 in\r\nHead usage = 56 in\r\n";
    std::string odometerMetric = "Label usage = 3,134 cm\r\nHead usage = 142 cm\r\n";
    std::string headInches = "Head history\r\nLast cleaned = 1,100 in\r\nLast replaced = 1,234 in\r\n";
    std::string headMetric = "Head history\r\nLast cleaned = 2,794 cm\r\nLast replaced = 3,134 cm\r\n";
    std::string configuration;  // by default a short printout that names the serial number
    bool silent = false;
    std::uint64_t unanswered = 0;             // questions left without an answer before the printer answers
    std::optional<std::uint64_t> xoffAfter;   // bytes of a session after which the printer sends Xoff
    std::optional<std::uint64_t> xonAfterMs;  // how long it then holds the line before Xon

    // The printer's reply to a question named as QuestionScanner names it.
    std::string AnswerTo(const std::string& question) const;

    // Throws std::invalid_argument with a message fit for the command line.
    static SerialPrinterOptions Parse(const std::string& text);
};
