// The machine-wide ceiling of simultaneous downloads and the stall timeout of a download,
// kept in the settings store.
#pragma once

class CSettingsMachine {
public:
    virtual ~CSettingsMachine() = default;

    // The stored ceiling: the user's file first, then the machine-wide files; 1 when no
    // readable value exists anywhere.
    int GetMaxDownloads();
    // Stores the ceiling in the user's file; a failure to write passes silently.
    void SetMaxDownloads(int value);

    static constexpr int kLeastStallTimeout = 10;
    static constexpr int kMostStallTimeout = 3600;
    static constexpr int kDefaultStallTimeout = 120;
    // Seconds a printer may take no byte before its download fails, read like the ceiling
    // and taken into kLeastStallTimeout..kMostStallTimeout.
    int GetStallTimeout();
    void SetStallTimeout(int seconds);
};
