#include "SerialPrinterOptions.h"

#include <stdexcept>

#include "OptionValues.h"

SerialPrinterOptions SerialPrinterOptions::Parse(const std::string& text)
{
    SerialPrinterOptions options;
    const std::size_t firstComma = text.find(',');
    const std::string head = text.substr(0, firstComma);
    const std::size_t at = head.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == head.size())
        throw std::invalid_argument("a serial printer is NAME@LINK[,option...], not '" + text + "'");
    options.name = head.substr(0, at);
    options.link = head.substr(at + 1);

    bool configurationGiven = false;
    const std::string list = firstComma == std::string::npos ? std::string() : text.substr(firstComma + 1);
    for (const OptionItem& item : SplitOptionItems(list)) {
        const std::string& key = item.key;
        if (key == "serial") options.serialNumber = PercentDecoded(item.value, key);
        else if (key == "odometer") options.odometerInches = PercentDecoded(item.value, key);
        else if (key == "odometer-metric") options.odometerMetric = PercentDecoded(item.value, key);
        else if (key == "head") options.headInches = PercentDecoded(item.value, key);
        else if (key == "head-metric") options.headMetric = PercentDecoded(item.value, key);
        else if (key == "config") {
            options.configuration = PercentDecoded(item.value, key);
            configurationGiven = true;
        } else if (key == "silent" && item.text == key) options.silent = true;
        else if (key == "unanswered") options.unanswered = ParseNumber(item.value, key, 0);
        else if (key == "xoff-after") options.xoffAfter = ParseNumber(item.value, key, 0);
        else if (key == "xon-after-ms") options.xonAfterMs = ParseNumber(item.value, key, 0, 600000);
        else
            throw std::invalid_argument("unknown serial printer option '" + item.text +
                                        "' (serial, odometer, odometer-metric, head, head-metric, config, silent, "
                                        "unanswered, xoff-after, xon-after-ms)");
    }
    if (options.xonAfterMs && !options.xoffAfter) throw std::invalid_argument("xon-after-ms needs xoff-after");
    // The configuration printout names the serial number the printer reports.
    if (!configurationGiven)
        options.configuration = "Configuration\r\nSerial number = " + options.serialNumber + "\r\nFirmware = SIM 1.00\r\n";
    return options;
}

std::string SerialPrinterOptions::AnswerTo(const std::string& question) const
{
    if (question == "URS") return serialNumber + "\r\n";
    if (question == "URLi") return odometerInches;
    if (question == "URLm") return odometerMetric;
    if (question == "URHi") return headInches;
    if (question == "URHm") return headMetric;
    return configuration;
}
