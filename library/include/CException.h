// Exceptions of the class framework. They are thrown as pointers to heap objects; the
// handler that ends an error reports it and calls Delete(), a handler that only tidies
// up rethrows the same pointer.
#pragma once

#include <memory>

#include "CObject.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    CException() = default;
    ~CException() override = default;

    // Frees a heap exception; the only way callers dispose of one.
    void Delete() { delete this; }

    // Text describing the error, or false when the exception supplies none.
    virtual bool GetErrorMessage(CString& text) const;

    // Shows the error in a message box with the given style and returns the answer. When
    // GetErrorMessage has nothing, the string with id fallbackId is shown (or the standard
    // "No error message is available." when that id is 0 or has no text).
    virtual int ReportError(unsigned style = 0, unsigned fallbackId = 0);
};

// Reading a settings document failed: it ended early or holds something that cannot be read.
class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
public:
    enum Cause { endOfFile, badLength, badClass, badPort };
    explicit CArchiveException(Cause cause, CString detail = {}) : m_cause(cause), m_strDetail(std::move(detail)) {}
    bool GetErrorMessage(CString& text) const override;
    Cause m_cause;
    // For badPort: which record, and what is wrong with its port.
    CString m_strDetail;
};

// A file could not be opened, read or positioned; the message names the file.
class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    CFileException(int osError, CString fileName) : m_lOsError(osError), m_strFileName(std::move(fileName)) {}
    // A failure that is no system error: reason says what was wrong with the file.
    CFileException(CString fileName, CString reason)
        : m_lOsError(0), m_strFileName(std::move(fileName)), m_strReason(std::move(reason)) {}
    bool GetErrorMessage(CString& text) const override;
    int m_lOsError;
    CString m_strFileName;
    CString m_strReason;
};

// Frees a caught heap exception when it goes out of scope, so no handler path leaks it.
struct CExceptionDeleter {
    void operator()(CException* e) const { if (e) e->Delete(); }
};
template <class E = CException>
using CExceptionHolder = std::unique_ptr<E, CExceptionDeleter>;
