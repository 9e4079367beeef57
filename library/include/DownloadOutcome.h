// How one printer's download ended: what a front end shows, a script reads and the journal
// keeps. A value of its own, so it stays readable after the printer record is gone.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "CString.h"

enum class DownloadResult { ok, failed, cancelled };

// none: the printer is not set to calibrate; skipped: it is, but the download did not succeed
// (or the printer was let go meanwhile).
enum class CalibrationResult { none, done, skipped, failed };

struct DownloadOutcome {
    using Clock = std::chrono::system_clock;

    CString printer;
    CString model;
    CString portKind;  // network, serial, parallel or usb
    CString port;      // as the programs' lists show it
    CString file;
    std::uint64_t fileSize = 0;
    std::uint64_t bytesTaken = 0;
    DownloadResult result = DownloadResult::failed;
    // Delivery confirmed: by the printer's close for a network printer, by the device
    // taking every byte for the other kinds.
    bool confirmed = false;
    unsigned long code = 0;  // the printer error code; 0 when none
    CString text;            // the code's text, or what went wrong when there is no code
    CString detail;          // the system's reason; may be empty
    std::optional<std::string> sha256;  // lower-case hex, only when the whole file went out
    Clock::time_point started;
    Clock::time_point ended;
    CalibrationResult calibration = CalibrationResult::none;
    CString calibrationMessage;
};

const char* ResultWord(DownloadResult result);
const char* CalibrationWord(CalibrationResult calibration);
std::optional<DownloadResult> ResultFromWord(const std::string& word);
std::optional<CalibrationResult> CalibrationFromWord(const std::string& word);

// The error as one message: the text, and the detail on a line of its own.
CString OutcomeMessage(const DownloadOutcome& outcome);

// One JSON object (no line break) with the keys programs and scripts rely on: printer, model,
// port_kind, port, file, file_size, sha256, bytes_taken, result, confirmed, code, text,
// detail, calibration, calibration_message, started, ended, duration_s.
std::string DownloadOutcomeJson(const DownloadOutcome& outcome);

// A time as ISO 8601 in UTC with milliseconds: "2026-12-08T22:01:02.345Z".
std::string IsoUtc(DownloadOutcome::Clock::time_point time);
// The reverse, also for a date alone ("2026-12-08" is its midnight, UTC); nothing when the
// text is neither, or lies outside 1970 to 2200.
std::optional<DownloadOutcome::Clock::time_point> ParseIsoUtc(const std::string& text);
