// The download outcome as a JSON object, for the library's writers and readers of it.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "DownloadOutcome.h"

nlohmann::ordered_json DownloadOutcomeObject(const DownloadOutcome& outcome);
// Nothing when a key is missing or holds a value of the wrong kind.
std::optional<DownloadOutcome> DownloadOutcomeFromObject(const nlohmann::json& object);
// Names, paths and models are bytes: text that is not UTF-8 goes out with replacement marks
// and, beside it under key_hex, exactly as hexadecimal, so that a script loses nothing.
void AddText(nlohmann::ordered_json& object, const std::string& key, const CString& bytes);
// The exact bytes of a text field (from its _hex twin when there is one); false when the key
// is missing or holds no text.
bool TextOf(const nlohmann::json& object, const std::string& key, CString& text);
// One line: text that is not UTF-8 is written with replacement marks (its _hex twin keeps it).
std::string DumpJson(const nlohmann::ordered_json& object);
