#include "SerialSession.h"


#include "HexText.h"
#include "SimClock.h"

namespace {

// Enough for every query and setting command whole, and the head of a download.
constexpr std::size_t kStartKept = 4096;

nlohmann::ordered_json Describe(const std::optional<LineSettings>& line)
{
    if (!line) return nullptr;
    return {{"baud", line->baud}, {"data_bits", line->dataBits}, {"parity", line->parity},
            {"stop_bits", line->stopBits}, {"flow", line->flow}};
}

}  // namespace

SerialSession::SerialSession() : m_openEpochMs(EpochMs()), m_openMonotonicMs(MonotonicMs())
{
}

void SerialSession::Received(std::string_view bytes, int fd)
{
    // The host sets the line up before it writes, so the first bytes show its choice.
    if (m_bytes == 0) m_line = LineSettings::Read(fd);
    m_hash.Update(bytes.data(), bytes.size());
    m_bytes += bytes.size();
    if (m_start.size() < kStartKept) m_start.append(bytes.substr(0, kStartKept - m_start.size()));
}

void SerialSession::Asked(const std::string& question, bool answered)
{
    m_questions.push_back({{"asked", question}, {"answered", answered}, {"after_bytes", m_bytes}});
}

void SerialSession::SentFlowControl(const std::string& which)
{
    m_flowControl.push_back({{"sent", which}, {"after_bytes", m_bytes}, {"monotonic_ms", MonotonicMs()}});
}

nlohmann::ordered_json SerialSession::Finish(const std::string& printer, const std::string& link,
                                             const std::string& device, const std::string& end, int fd)
{
    // A session without bytes still shows how the host left the line.
    if (m_bytes == 0) m_line = LineSettings::Read(fd);
    return {
        {"kind", "serial"},
        {"printer", printer},
        {"link", link},
        {"device", device},
        {"open_epoch_ms", m_openEpochMs},
        {"close_epoch_ms", EpochMs()},
        {"open_monotonic_ms", m_openMonotonicMs},
        {"close_monotonic_ms", MonotonicMs()},
        {"bytes", m_bytes},
        {"sha256", m_hash.FinalHex()},
        {"start_hex", HexText(m_start)},
        {"line", Describe(m_line)},
        {"questions", m_questions},
        {"flow_control", m_flowControl},
        {"end", end},
    };
}
