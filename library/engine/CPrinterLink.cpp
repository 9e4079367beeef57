#include "CPrinterLink.h"

#include "CQuarnPrinter.h"

CPrinterLink::~CPrinterLink()
{
    if (m_pOrphanPort) m_pOrphanPort->Close();
}

std::optional<CPrinterLink::Snapshot> CPrinterLink::Read(const CQuarnPrinter* pPrinter) const
{
    std::lock_guard lock(m_mutex);
    if (m_bAbandoned) return std::nullopt;
    return Snapshot{pPrinter->m_strDownloadFile, pPrinter->m_pPort, pPrinter->m_bCalibrate};
}

void CPrinterLink::PostToWindow(CWnd* pWnd, unsigned message, WPARAM wParam, LPARAM lParam) const
{
    // Posting under the lock keeps Abandon from returning, and the window from being
    // freed, while a post is under way.
    std::lock_guard lock(m_mutex);
    if (!m_bAbandoned && pWnd) pWnd->PostMessage(message, wParam, lParam);
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
