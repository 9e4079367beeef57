// Shows the running downloads on stderr: bars redrawn in place on a terminal, a few plain
// lines per printer otherwise, each with the rate and the time left. Texts of other threads
// are printed above the bars.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "CString.h"

class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* out, bool terminal) : m_out(out), m_terminal(terminal) {}
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    void Begin(const CString& name, std::uint64_t total);
    void Progress(const CString& name, std::uint64_t sent);
    // The file is in; the printer waits for its calibration.
    void Calibrating(const CString& name);
    void End(const CString& name, const CString& outcome);
    // A line of text from any thread.
    void Note(const CString& text);
    // Redraws the bars when they changed and the last drawing is old enough.
    void Refresh();
    // Takes the remaining bars off the screen, so that what follows is not drawn over.
    void Clear();

private:
    struct Row {
        CString name;
        CString shown;  // the name as printed: nothing in it drives the terminal
        std::uint64_t total;
        std::uint64_t sent;
        int reportedTenths;  // plain output: the tenths of the file already reported
        std::chrono::steady_clock::time_point begun;
        bool calibrating = false;
    };

    // "1.2 MiB/s, 0:41 left", or empty while too little has gone out to tell.
    static CString RateAndTimeLeft(const Row& row);

    Row* Find(const CString& name);
    void EraseBars();
    void DrawBars();
    void PrintAboveBars(const CString& line);

    std::mutex m_mutex;
    std::FILE* m_out;
    bool m_terminal;
    std::vector<Row> m_rows;
    int m_drawnLines = 0;
    bool m_changed = false;
    std::chrono::steady_clock::time_point m_lastDrawing;
};
