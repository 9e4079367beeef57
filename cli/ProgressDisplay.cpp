#include "ProgressDisplay.h"

#include <algorithm>

#include "VisibleText.h"

namespace {

constexpr int kBarWidth = 20;
constexpr std::size_t kMaxNameWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

int Percent(std::uint64_t sent, std::uint64_t total)
{
    if (total == 0) return 100;
    return static_cast<int>(std::min<std::uint64_t>(sent, total) * 100 / total);
}

}  // namespace

ProgressDisplay::~ProgressDisplay() { Clear(); }

void ProgressDisplay::Clear()
{
    std::lock_guard lock(m_mutex);
    EraseBars();
    m_rows.clear();
}

ProgressDisplay::Row* ProgressDisplay::Find(const CString& name)
{
    auto it = std::find_if(m_rows.begin(), m_rows.end(), [&name](const Row& row) { return row.name == name; });
    return it == m_rows.end() ? nullptr : &*it;
}

void ProgressDisplay::Begin(const CString& name, std::uint64_t total)
{
    std::lock_guard lock(m_mutex);
    m_rows.push_back({name, VisibleText(name), total, 0, 0});
    if (!m_terminal) {
        std::fprintf(m_out, "%s: started, %llu bytes\n", m_rows.back().shown.c_str(),
                     static_cast<unsigned long long>(total));
        return;
    }
    EraseBars();
    DrawBars();
}

void ProgressDisplay::Progress(const CString& name, std::uint64_t sent)
{
    std::lock_guard lock(m_mutex);
    Row* row = Find(name);
    if (!row) return;
    row->sent = sent;
    if (m_terminal) {
        m_changed = true;
        return;
    }
    // One line per tenth of the file at most, however often the printer reports.
    const int tenths = Percent(sent, row->total) / 10;
    if (tenths <= row->reportedTenths) return;
    row->reportedTenths = tenths;
    std::fprintf(m_out, "%s: %d%% (%llu of %llu bytes)\n", row->shown.c_str(), Percent(sent, row->total),
                 static_cast<unsigned long long>(sent), static_cast<unsigned long long>(row->total));
}

void ProgressDisplay::End(const CString& name, const CString& outcome)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_rows, [&name](const Row& row) { return row.name == name; });
    PrintAboveBars(VisibleText(name) + ": " + outcome);
}

void ProgressDisplay::Note(const CString& text)
{
    std::lock_guard lock(m_mutex);
    PrintAboveBars(VisibleLines(text));
}

void ProgressDisplay::Refresh()
{
    std::lock_guard lock(m_mutex);
    if (!m_terminal || !m_changed) return;
    if (std::chrono::steady_clock::now() - m_lastDrawing < kRedrawInterval) return;
    EraseBars();
    DrawBars();
}

void ProgressDisplay::PrintAboveBars(const CString& line)
{
    EraseBars();
    std::fprintf(m_out, "%s\n", line.c_str());
    DrawBars();
}

void ProgressDisplay::EraseBars()
{
    if (m_drawnLines == 0) return;
    // Up to the first bar, then clear everything below it.
    std::fprintf(m_out, "\033[%dA\033[J", m_drawnLines);
    m_drawnLines = 0;
    std::fflush(m_out);
}

void ProgressDisplay::DrawBars()
{
    if (!m_terminal) {
        std::fflush(m_out);
        return;
    }
    std::size_t width = 0;
    for (const Row& row : m_rows) width = std::max(width, std::min(row.shown.size(), kMaxNameWidth));
    for (const Row& row : m_rows) {
        const int percent = Percent(row.sent, row.total);
        const int filled = percent * kBarWidth / 100;
        const CString bar = CString(filled, '#') + CString(kBarWidth - filled, '.');
        std::fprintf(m_out, "%-*.*s [%s] %3d%% %llu/%llu\n", static_cast<int>(width), static_cast<int>(width),
                     row.shown.c_str(), bar.c_str(), percent, static_cast<unsigned long long>(row.sent),
                     static_cast<unsigned long long>(row.total));
    }
    m_drawnLines = static_cast<int>(m_rows.size());
    m_changed = false;
    m_lastDrawing = std::chrono::steady_clock::now();
    std::fflush(m_out);
}
