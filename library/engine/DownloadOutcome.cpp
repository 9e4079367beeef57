#include "DownloadOutcome.h"

#include <cstdio>
#include <ctime>

#include "DownloadOutcomeObject.h"
#include "VisibleText.h"

using Clock = DownloadOutcome::Clock;

void AddText(nlohmann::ordered_json& object, const std::string& key, const CString& bytes)
{
    object[key] = bytes;
    if (!IsValidUtf8(bytes)) object[key + "_hex"] = HexOf(bytes);
}

bool TextOf(const nlohmann::json& object, const std::string& key, CString& text)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return false;
    text = found->get<std::string>();
    const auto hex = object.find(key + "_hex");
    if (hex != object.end() && hex->is_string()) {
        CString bytes;
        if (BytesOfHex(hex->get<std::string>(), bytes)) text = bytes;
    }
    return true;
}

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
    // The clock counts nanoseconds in 64 bits, which end in 2262.
    if (!parsed || year < 1970 || year > 2200) return std::nullopt;
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
    return DumpJson(DownloadOutcomeObject(outcome));
}

std::string DumpJson(const nlohmann::ordered_json& object)
{
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

namespace {

bool NumberOf(const nlohmann::json& object, const std::string& key, std::uint64_t& number)
{
    const auto found = object.find(key);
    // Negative and fractional numbers are damage.
    if (found == object.end() || !found->is_number_unsigned()) return false;
    number = found->get<std::uint64_t>();
    return true;
}

bool TimeOf(const nlohmann::json& object, const std::string& key, DownloadOutcome::Clock::time_point& time)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return false;
    const auto parsed = ParseIsoUtc(found->get<std::string>());
    if (!parsed) return false;
    time = *parsed;
    return true;
}

}  // namespace

std::optional<DownloadOutcome> DownloadOutcomeFromObject(const nlohmann::json& object)
{
    if (!object.is_object()) return std::nullopt;
    DownloadOutcome outcome;
    std::uint64_t code = 0;
    CString result, calibration;
    if (!TextOf(object, "printer", outcome.printer) || !TextOf(object, "model", outcome.model) ||
        !TextOf(object, "port_kind", outcome.portKind) || !TextOf(object, "port", outcome.port) ||
        !TextOf(object, "file", outcome.file) || !NumberOf(object, "file_size", outcome.fileSize) ||
        !NumberOf(object, "bytes_taken", outcome.bytesTaken) || !TextOf(object, "result", result) ||
        !NumberOf(object, "code", code) || !TextOf(object, "text", outcome.text) ||
        !TextOf(object, "detail", outcome.detail) || !TextOf(object, "calibration", calibration) ||
        !TextOf(object, "calibration_message", outcome.calibrationMessage) ||
        !TimeOf(object, "started", outcome.started) || !TimeOf(object, "ended", outcome.ended))
        return std::nullopt;
    const auto confirmed = object.find("confirmed");
    if (confirmed == object.end() || !confirmed->is_boolean()) return std::nullopt;
    outcome.confirmed = confirmed->get<bool>();
    const auto sha256 = object.find("sha256");
    if (sha256 == object.end() || !(sha256->is_null() || sha256->is_string())) return std::nullopt;
    if (sha256->is_string()) outcome.sha256 = sha256->get<std::string>();
    const auto resultValue = ResultFromWord(result);
    const auto calibrationValue = CalibrationFromWord(calibration);
    if (!resultValue || !calibrationValue || code > 0xFFFFFFFFULL) return std::nullopt;
    outcome.result = *resultValue;
    outcome.calibration = *calibrationValue;
    outcome.code = static_cast<unsigned long>(code);
    return outcome;
}

nlohmann::ordered_json DownloadOutcomeObject(const DownloadOutcome& outcome)
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
    return object;
}
