// What a simulated serial printer saw while its host had the line open: the bytes, the line
// settings they came with, the questions asked and the flow control sent back.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "LineSettings.h"
#include "Sha256.h"

class SerialSession {
public:
    SerialSession();

    // fd is the controlling side, read for the line settings when the first bytes arrive.
    void Received(std::string_view bytes, int fd);
    void Asked(const std::string& question, bool answered);
    void SentFlowControl(const std::string& which);
    std::uint64_t Bytes() const { return m_bytes; }

    // The record line of the ended session; the session must not be used afterwards.
    nlohmann::ordered_json Finish(const std::string& printer, const std::string& link, const std::string& device,
                                  const std::string& end, int fd);

private:
    double m_openEpochMs;
    double m_openMonotonicMs;
    std::uint64_t m_bytes = 0;
    Sha256 m_hash;
    std::string m_start;
    std::optional<LineSettings> m_line;
    nlohmann::ordered_json m_questions = nlohmann::ordered_json::array();
    nlohmann::ordered_json m_flowControl = nlohmann::ordered_json::array();
};
