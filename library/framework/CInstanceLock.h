// A machine-wide named guard that tells each holder whether another holder exists.
#pragma once

#include "CString.h"

class CInstanceLock {
public:
    // Becomes a holder of the guard called name (a lock file in the temporary folder) for
    // the lifetime of this object; the guard goes with the process, also when it crashes.
    explicit CInstanceLock(const CString& name);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // True when another holder existed when this one was made.
    bool OtherHolderExisted() const { return m_bOtherHolder; }

private:
    bool Lock(int command, short type);

    int m_hFile = -1;
    bool m_bOtherHolder = false;
};
