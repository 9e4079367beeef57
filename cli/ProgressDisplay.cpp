#include "ProgressDisplay.h"

#include <algorithm>
#include <iterator>

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

CString BytesPerSecond(double rate)
{
    static const char* const kUnits[] = {"B/s", "KiB/s", "MiB/s", "GiB/s"};
    std::size_t unit = 0;
    while (rate >= 1024 && unit + 1 < std::size(kUnits)) {
        rate /= 1024;
        ++unit;
    }
    return FormatString("%.1f %s", rate, kUnits[unit]);
}

CString Duration(double seconds)
{
    const auto whole = static_cast<long long>(seconds + 0.5);
    if (whole < 60) return FormatString("%lld s", whole);
    if (whole < 3600) return FormatString("%lld:%02lld", whole / 60, whole % 60);
    return FormatString("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
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
    m_rows.push_back({name, VisibleText(name), total, 0, 0, std::chrono::steady_clock::now()});
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
    const CString rate = RateAndTimeLeft(*row);
    std::fprintf(m_out, "%s: %d%% (%llu of %llu bytes%s%s)\n", row->shown.c_str(), Percent(sent, row->total),
                 static_cast<unsigned long long>(sent), static_cast<unsigned long long>(row->total),
                 rate.empty() ? "" : ", ", rate.c_str());
}

void ProgressDisplay::Calibrating(const CString& name)
{
    std::lock_guard lock(m_mutex);
    Row* row = Find(name);
    if (!row) return;
    row->calibrating = true;
    if (!m_terminal) {
        std::fprintf(m_out, "%s: calibrating\n", row->shown.c_str());
        std::fflush(m_out);
        return;
    }
    m_changed = true;
}

CString ProgressDisplay::RateAndTimeLeft(const Row& row)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - row.begun).count();
    // The first moments say more about the connection than about the printer's pace.
    if (row.sent == 0 || seconds < 0.5) return {};
    const double rate = static_cast<double>(row.sent) / seconds;
    const double left = static_cast<double>(row.total > row.sent ? row.total - row.sent : 0) / rate;
    return BytesPerSecond(rate) + ", " + Duration(left) + " left";
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
        if (row.calibrating) {
            std::fprintf(m_out, "%-*.*s calibrating\n", static_cast<int>(width), static_cast<int>(width),
                         row.shown.c_str());
            continue;
        }
        const int percent = Percent(row.sent, row.total);
        const int filled = percent * kBarWidth / 100;
        const CString bar = CString(filled, '#') + CString(kBarWidth - filled, '.');
        const CString rate = RateAndTimeLeft(row);
        std::fprintf(m_out, "%-*.*s [%s] %3d%% %llu/%llu%s%s\n", static_cast<int>(width), static_cast<int>(width),
                     row.shown.c_str(), bar.c_str(), percent, static_cast<unsigned long long>(row.sent),
                     static_cast<unsigned long long>(row.total), rate.empty() ? "" : "  ", rate.c_str());
    }
    m_drawnLines = static_cast<int>(m_rows.size());
    m_changed = false;
    m_lastDrawing = std::chrono::steady_clock::now();
    std::fflush(m_out);
}
