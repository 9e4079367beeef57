// Appends one JSON line per finished connection, serial session or discovery datagram to the
// record file, flushed at once so that a test can read it while the simulator still runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

struct ConnectionRecord {
    std::string printer;
    std::string address;
    int port = 0;
    std::string peer;
    double openEpochMs = 0;
    double closeEpochMs = 0;
    double openMonotonicMs = 0;
    double closeMonotonicMs = 0;
    std::uint64_t bytes = 0;
    std::string sha256;
    std::string end;
};

class RecordLog {
public:
    // An empty path keeps no record.
    explicit RecordLog(const std::string& path);
    ~RecordLog();
    RecordLog(const RecordLog&) = delete;
    RecordLog& operator=(const RecordLog&) = delete;

    void Write(const ConnectionRecord& record);
    void WriteLine(const nlohmann::ordered_json& line);

private:
    std::FILE* m_file = nullptr;
};
