#include "CQuarnPrinterException.h"

#include <cerrno>
#include <cstring>

#include "IUserInterface.h"
#include "PrinterErrors.h"
#include "StringTable.h"

IMPLEMENT_DYNAMIC(CQuarnPrinterException, CException)

namespace {

unsigned StringIdOfCode(unsigned long code)
{
    static const unsigned ids[] = {IDS_ERR_BAUD_RATE,        IDS_ERR_DATA_BITS,      IDS_ERR_PARITY,
                                   IDS_ERR_STOP_BITS,        IDS_ERR_FLOW_CONTROL,   IDS_ERR_CONFIGURATION,
                                   IDS_ERR_PORT_UNAVAILABLE, IDS_ERR_THREAD_CREATE,  IDS_ERR_CANCELLED,
                                   IDS_ERR_INVALID_PARAMETER, IDS_ERR_NOT_BIDIRECTIONAL, IDS_ERR_TIMEOUT};
    return (code >= 1 && code <= 12) ? ids[code - 1] : 0;
}

}  // namespace

CString CQuarnPrinterException::Message(unsigned fallbackId) const
{
    if (m_bDetailReplacesText) return m_strDetail;
    CString text = CodeText(fallbackId);
    if (!m_strDetail.empty()) text += "\n" + m_strDetail;
    return text;
}

CString CQuarnPrinterException::CodeText(unsigned fallbackId) const
{
    if (const unsigned id = StringIdOfCode(m_dwCode)) return LoadStringResource(id);
    if (m_dwCode >= kPlatformErrorBase) {
        const int osError = static_cast<int>(m_dwCode - kPlatformErrorBase);
        char buffer[256];
        const char* reason = strerror_r(osError, buffer, sizeof buffer);
        return FormatString("The printer connection failed: %s (system error %d).", reason, osError);
    }
    bool found = false;
    CString text = fallbackId ? LoadStringResource(fallbackId, &found) : CString();
    return found ? text : CString(kNoErrorMessageText);
}

int CQuarnPrinterException::ReportError(unsigned style, unsigned fallbackId)
{
    return AfxMessageBox(Message(fallbackId), style);
}

void ThrowPrinterError(int code)
{
    unsigned long mapped = static_cast<unsigned long>(code);
    if (code == 6) mapped = errPortUnavailable;
    else if (code == 87) mapped = errInvalidParameter;
    throw new CQuarnPrinterException(mapped);
}

void ThrowPlatformError(int osError)
{
    switch (osError) {
    case EBADF:
        throw new CQuarnPrinterException(errPortUnavailable);
    case EINVAL:
        throw new CQuarnPrinterException(errInvalidParameter);
    case ETIMEDOUT:
        throw new CQuarnPrinterException(errTimeout);
    default:
        throw new CQuarnPrinterException(kPlatformErrorBase + static_cast<unsigned long>(osError));
    }
}
