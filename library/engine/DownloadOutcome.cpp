#include "DownloadOutcome.h"

#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "VisibleText.h"

namespace {

using Clock = DownloadOutcome::Clock;

// Names, paths and models are bytes: text that is not UTF-8 goes out with replacement marks
// and, beside it, exactly as hexadecimal, so that a script loses nothing.
void AddText(nlohmann::ordered_json& object, const std::string& key, const CString& bytes)
{
    object[key] = bytes;
    if (!IsValidUtf8(bytes)) object[key + "_hex"] = HexOf(bytes);
}

}  // namespace

const char* ResultWord(DownloadResult result)
{
    switch (result) {
    case DownloadResult::ok:
        return "ok";
    case DownloadResult::cancelled:
        return "cancelled";
    case DownloadResult::failed:
        break;
    }
    return "failed";
}

const char* CalibrationWord(CalibrationResult calibration)
{
    switch (calibration) {
    case CalibrationResult::done:
        return "done";
    case CalibrationResult::skipped:
        return "skipped";
    case CalibrationResult::failed:
        return "failed";
    case CalibrationResult::none:
        break;
    }
    return "none";
}

std::optional<DownloadResult> ResultFromWord(const std::string& word)
{
    for (const DownloadResult result : {DownloadResult::ok, DownloadResult::failed, DownloadResult::cancelled}) {
        if (word == ResultWord(result)) return result;
    }
    return std::nullopt;
}

std::optional<CalibrationResult> CalibrationFromWord(const std::string& word)
{
    for (const CalibrationResult calibration : {CalibrationResult::none, CalibrationResult::done,
                                                CalibrationResult::skipped, CalibrationResult::failed}) {
        if (word == CalibrationWord(calibration)) return calibration;
    }
    return std::nullopt;
}

CString OutcomeMessage(const DownloadOutcome& outcome)
{
    if (outcome.detail.empty()) return outcome.text;
    if (outcome.text.empty()) return outcome.detail;
    return outcome.text + "\n" + outcome.detail;
}

std::string IsoUtc(Clock::time_point time)
{
    const auto millis = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(millis >= 0 ? millis / 1000 : (millis - 999) / 1000);
    const int fraction = static_cast<int>(millis - static_cast<long long>(seconds) * 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, fraction);
    return text;
}

std::optional<Clock::time_point> ParseIsoUtc(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    int consumed = 0;
    bool parsed = false;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ%n", &year, &month, &day, &hour, &minute, &second,
                    &millis, &consumed) == 7 && consumed == static_cast<int>(text.size())) {
        parsed = true;
    } else if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ%n", &year, &month, &day, &hour, &minute, &second,
                           &consumed) == 6 && consumed == static_cast<int>(text.size())) {
        parsed = true;
        millis = 0;
    } else if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &consumed) == 3 &&
               consumed == static_cast<int>(text.size())) {
        parsed = true;
        hour = minute = second = millis = 0;
    }
    if (!parsed) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok() || hour > 23 || minute > 59 || second > 60 || hour < 0 || minute < 0 || second < 0 || millis < 0)
        return std::nullopt;
    return Clock::time_point(std::chrono::sys_days(date).time_since_epoch() + std::chrono::hours(hour) +
                             std::chrono::minutes(minute) + std::chrono::seconds(second) +
                             std::chrono::milliseconds(millis));
}

std::string DownloadOutcomeJson(const DownloadOutcome& outcome)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    AddText(object, "printer", outcome.printer);
    AddText(object, "model", outcome.model);
    object["port_kind"] = outcome.portKind;
    AddText(object, "port", outcome.port);
    AddText(object, "file", outcome.file);
    object["file_size"] = outcome.fileSize;
    object["sha256"] = outcome.sha256 ? nlohmann::ordered_json(*outcome.sha256) : nlohmann::ordered_json(nullptr);
    object["bytes_taken"] = outcome.bytesTaken;
    object["result"] = ResultWord(outcome.result);
    object["confirmed"] = outcome.confirmed;
    object["code"] = outcome.code;
    AddText(object, "text", outcome.text);
    AddText(object, "detail", outcome.detail);
    object["calibration"] = CalibrationWord(outcome.calibration);
    AddText(object, "calibration_message", outcome.calibrationMessage);
    object["started"] = IsoUtc(outcome.started);
    object["ended"] = IsoUtc(outcome.ended);
    object["duration_s"] = std::chrono::duration<double>(outcome.ended - outcome.started).count();
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
