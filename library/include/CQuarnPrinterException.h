// The one error type of the printer library, carrying a code from a fixed table.
#pragma once

#include "CException.h"

enum EPrinterError : unsigned long {
    errBaudRate = 1,
    errDataBits = 2,
    errParity = 3,
    errStopBits = 4,
    errFlowControl = 5,
    errConfiguration = 6,
    errPortUnavailable = 7,
    errThreadCreate = 8,
    errCancelled = 9,
    errInvalidParameter = 10,
    errNotBidirectional = 11,
    errTimeout = 12,
};

// Codes at or above this base carry an operating-system error number (errno) that has no
// library code of its own; they are reported with the system's own text.
constexpr unsigned long kPlatformErrorBase = 0x40000000UL;

class CQuarnPrinterException : public CException {
    DECLARE_DYNAMIC(CQuarnPrinterException)
public:
    explicit CQuarnPrinterException(unsigned long code) : m_dwCode(code) {}
    // A code with a line that says what exactly was wrong and what to do.
    CQuarnPrinterException(unsigned long code, CString detail) : m_dwCode(code), m_strDetail(std::move(detail)) {}
    // A code whose table text would mislead where it is raised: text is shown instead of it.
    enum ReplacesText { kReplacesText };
    CQuarnPrinterException(unsigned long code, CString text, ReplacesText)
        : m_dwCode(code), m_strDetail(std::move(text)), m_bDetailReplacesText(true)
    {
    }
    ~CQuarnPrinterException() override = default;

    // Shows the text of the code; codes outside the table show fallbackId's text instead,
    // operating-system errors their system text.
    int ReportError(unsigned style = 0, unsigned fallbackId = 0) override;

    // The text ReportError shows for fallbackId.
    CString Message(unsigned fallbackId = 0) const;
    // Message in two parts: the code's text (or the text that replaces it), and the detail
    // that follows it (empty when none).
    CString Text(unsigned fallbackId = 0) const { return m_bDetailReplacesText ? m_strDetail : CodeText(fallbackId); }
    CString Detail() const { return m_bDetailReplacesText ? CString() : m_strDetail; }

    unsigned long m_dwCode;
    CString m_strDetail;  // shown after the code's text when not empty
    bool m_bDetailReplacesText = false;

private:
    CString CodeText(unsigned fallbackId) const;
};
