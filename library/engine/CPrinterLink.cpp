#include "CPrinterLink.h"

#include "CQuarnPrinter.h"
#include "PortColumn.h"
#include "PortKindWord.h"

CPrinterLink::Snapshot CPrinterLink::Snapshot::Of(const CQuarnPrinter& printer)
{
    return Snapshot{printer.m_strDownloadFile, printer.m_pPort,    printer.m_bCalibrate,
                    printer.m_strName,         printer.m_strModel, PortKindWord(printer.m_pPort),
                    PortColumnText(printer)};
}

std::unique_ptr<DownloadOutcome> CPrinterLink::Snapshot::StartOutcome() const
{
    auto outcome = std::make_unique<DownloadOutcome>();
    outcome->printer = strName;
    outcome->model = strModel;
    outcome->portKind = strPortKind;
    outcome->port = strPort;
    outcome->file = strDownloadFile;
    outcome->started = DownloadOutcome::Clock::now();
    outcome->ended = outcome->started;
    return outcome;
}

CPrinterLink::~CPrinterLink()
{
    if (m_pOrphanPort) m_pOrphanPort->Close();
}

std::optional<CPrinterLink::Snapshot> CPrinterLink::Read(const CQuarnPrinter* pPrinter) const
{
    std::lock_guard lock(m_mutex);
    if (m_bAbandoned) return std::nullopt;
    return Snapshot::Of(*pPrinter);
}

bool CPrinterLink::PostToWindow(CWnd* pWnd, unsigned message, WPARAM wParam, LPARAM lParam) const
{
    // Posting under the lock keeps Abandon from returning, and the window from being
    // freed, while a post is under way.
    std::lock_guard lock(m_mutex);
    if (m_bAbandoned || !pWnd) return false;
    pWnd->PostMessage(message, wParam, lParam);
    return true;
}

bool CPrinterLink::IsAbandoned() const
{
    std::lock_guard lock(m_mutex);
    return m_bAbandoned;
}

void CPrinterLink::Abandon(std::unique_ptr<CPortBase> pPort)
{
    std::lock_guard lock(m_mutex);
    m_bAbandoned = true;
    m_pOrphanPort = std::move(pPort);
}
