#include "CException.h"

#include <cstring>

#include "IUserInterface.h"
#include "StringTable.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CArchiveException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

bool CException::GetErrorMessage(CString&) const { return false; }

int CException::ReportError(unsigned style, unsigned fallbackId)
{
    CString text;
    if (!GetErrorMessage(text)) {
        bool found = false;
        if (fallbackId != 0) text = LoadStringResource(fallbackId, &found);
        if (!found) text = kNoErrorMessageText;
    }
    return AfxMessageBox(text, style);
}

bool CArchiveException::GetErrorMessage(CString& text) const
{
    switch (m_cause) {
    case endOfFile:
        text = "The printer settings document ends before its last printer is complete. It may be truncated or damaged.";
        break;
    case badLength:
        text = "The printer settings document holds a text field that cannot be read. It may be damaged or not a printer settings document.";
        break;
    case badClass:
        text = "The printer settings document names a kind of port that this program does not know.";
        break;
    case badPort:
        text = "The printer settings document holds a port that cannot be trusted: " + m_strDetail +
               " It may have been edited by hand or damaged; nothing was changed.";
        break;
    }
    return true;
}

bool CFileException::GetErrorMessage(CString& text) const
{
    char buffer[256];
    const char* reason = m_strReason.empty() ? strerror_r(m_lOsError, buffer, sizeof buffer) : m_strReason.c_str();
    text = "An error occurred while accessing the file " + m_strFileName + ": " + reason + ".";
    return true;
}
