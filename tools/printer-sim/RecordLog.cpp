#include "RecordLog.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

RecordLog::RecordLog(const std::string& path)
{
    if (path.empty()) return;
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) throw std::runtime_error("cannot write the record " + path + ": " + std::strerror(errno));
}

RecordLog::~RecordLog()
{
    if (m_file) std::fclose(m_file);
}

void RecordLog::Write(const ConnectionRecord& record)
{
    WriteLine({
        {"kind", "network"},
        {"printer", record.printer},
        {"address", record.address},
        {"port", record.port},
        {"peer", record.peer},
        {"open_epoch_ms", record.openEpochMs},
        {"close_epoch_ms", record.closeEpochMs},
        {"open_monotonic_ms", record.openMonotonicMs},
        {"close_monotonic_ms", record.closeMonotonicMs},
        {"bytes", record.bytes},
        {"sha256", record.sha256},
        {"end", record.end},
    });
}

void RecordLog::WriteLine(const nlohmann::ordered_json& line)
{
    if (!m_file) return;
    // Bytes of the outside world may be anything; a record must still be written.
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fflush(m_file);
}
