// The program's per-user window state, loaded on first use and written back at exit.
#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "WindowPlacement.h"

class CSettingsApplication {
public:
    virtual ~CSettingsApplication();
    CSettingsApplication(const CSettingsApplication&) = delete;
    CSettingsApplication& operator=(const CSettingsApplication&) = delete;

    // The one object of the process, loaded from the store on the first call.
    static CSettingsApplication& Instance();
    // Saves and ends the object (at process exit); a later Instance() loads afresh.
    static void Release();

    std::array<std::uint32_t, 4> m_dwViewSettings{};
    WINDOWPLACEMENT m_wpMainWindow{};

private:
    CSettingsApplication();
    void Load();
    void Save() const;
};

// The per-user settings file the program shares with the library's ceiling.
QString UserSettingsFile();

// Whether the failures of a run open their window at the first one (the default) or wait
// until asked for.
bool ShowDownloadErrorsAsTheyHappen();
void SetShowDownloadErrorsAsTheyHappen(bool show);
