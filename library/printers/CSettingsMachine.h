// The machine-wide ceiling of simultaneous downloads, kept in the settings store.
#pragma once

class CSettingsMachine {
public:
    virtual ~CSettingsMachine() = default;

    // The stored ceiling: the user's file first, then the machine-wide files; 1 when no
    // readable value exists anywhere.
    int GetMaxDownloads();
    // Stores the ceiling in the user's file; a failure to write passes silently.
    void SetMaxDownloads(int value);
};
