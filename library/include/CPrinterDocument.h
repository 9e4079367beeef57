// A printer-settings document on disk: read whole, replaced in one step, and changed only
// under the lock file beside it, so that programs changing one document never lose each
// other's edits.
#pragma once

#include <chrono>
#include <cstdint>

#include "CException.h"

class CQuarnPrinters;
class CWnd;

// The document cannot be locked, read or saved; the text says which, names the file and why.
class CDocumentFileException : public CException {
    DECLARE_DYNAMIC(CDocumentFileException)
public:
    explicit CDocumentFileException(CString text) : m_strText(std::move(text)) {}
    bool GetErrorMessage(CString& text) const override;
    CString m_strText;
};

class CPrinterDocument {
public:
    // A document is a regular file of at most this size; anything else is refused unread.
    static constexpr std::uint64_t kMaxBytes = 64ULL << 20;
    static constexpr std::chrono::milliseconds kDefaultLockWait{60000};

    explicit CPrinterDocument(CString path);
    // Releases the lock if this object holds it.
    ~CPrinterDocument();
    CPrinterDocument(const CPrinterDocument&) = delete;
    CPrinterDocument& operator=(const CPrinterDocument&) = delete;

    // Takes the lock beside the document (not on it: saving replaces the document, and a lock
    // on the old file would guard nothing), waiting at most wait for another holder to end.
    // Raises CDocumentFileException* when it cannot be had.
    void Lock(std::chrono::milliseconds wait = kDefaultLockWait);
    bool IsLocked() const { return m_hLock != -1; }
    void Unlock();

    bool Exists() const;
    // The document's bytes; raises CDocumentFileException* for a missing, unreadable,
    // oversized or non-regular file.
    CString Read();
    // Read, then loaded into printers (the library's own errors pass on unchanged). Bytes
    // after the last record raise CDocumentFileException*: they would be lost on the next save.
    void Load(CQuarnPrinters& printers, CWnd* pNotifyWnd);

    // Replaces the document with bytes: written to a temporary file beside it, flushed to the
    // disk, given the document's mode (and owner and group where this process may set them),
    // then renamed over it. A crash leaves the old document or the new one, never a mix;
    // temporary files left by an interrupted save of this document are removed.
    void Write(const CString& bytes);
    void Save(CQuarnPrinters& printers);

    // True when the file on disk no longer holds what this object last read or wrote
    // (also when it has gone); false before anything was read or written.
    bool ChangedOnDisk() const;

    const CString& Path() const { return m_strPath; }

private:
    CString Target() const;

    CString m_strPath;
    int m_hLock = -1;
    bool m_bKnown = false;
    CString m_strKnownBytes;
};

// One line per record that a document's repeated printer name pushed out of the list at the
// last load (naming the name, the record dropped and the one kept); empty when none was.
CString DescribeDroppedDuplicates(const CQuarnPrinters& printers);
