#include "CDownloadRun.h"

void CDownloadRun::Request(CQuarnPrinterData* pPrinter, const QByteArray& name)
{
    if (m_entries.empty()) m_tally = Tally{};
    m_entries[pPrinter] = Entry{name, {}, {}};
}

void CDownloadRun::Begin(CQuarnPrinterData* pPrinter, const QByteArray& name)
{
    if (m_entries.empty()) m_tally = Tally{};
    const auto it = m_entries.try_emplace(pPrinter, Entry{name, {}, {}}).first;
    it->second.begun = std::chrono::steady_clock::now();
}

void CDownloadRun::EndTransfer(CQuarnPrinterData* pPrinter)
{
    if (auto it = m_entries.find(pPrinter); it != m_entries.end())
        it->second.transferred = std::chrono::steady_clock::now();
}

std::optional<double> CDownloadRun::TransferSeconds(CQuarnPrinterData* pPrinter) const
{
    auto it = m_entries.find(pPrinter);
    if (it == m_entries.end() || !it->second.begun || !it->second.transferred) return std::nullopt;
    return std::chrono::duration<double>(*it->second.transferred - *it->second.begun).count();
}

bool CDownloadRun::Finish(CQuarnPrinterData* pPrinter, EResult result)
{
    if (m_entries.erase(pPrinter) == 0) return false;
    switch (result) {
    case EResult::Ok: ++m_tally.ok; break;
    case EResult::Failed: ++m_tally.failed; break;
    case EResult::Cancelled: ++m_tally.cancelled; break;
    }
    return m_entries.empty();
}

std::vector<QByteArray> CDownloadRun::ForgetWaiting()
{
    std::vector<QByteArray> names;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (!it->second.begun) {
            names.push_back(it->second.name);
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
    return names;
}

QByteArray CDownloadRun::Name(CQuarnPrinterData* pPrinter) const
{
    auto it = m_entries.find(pPrinter);
    return it == m_entries.end() ? QByteArray() : it->second.name;
}
