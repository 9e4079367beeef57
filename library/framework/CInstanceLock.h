// A per-user named guard that tells each holder whether another holder exists.
#pragma once

#include "CString.h"

class CInstanceLock {
public:
    // Becomes a holder of the guard called name for the lifetime of this object: a lock file in
    // the user's runtime folder ($XDG_RUNTIME_DIR), else in a folder of the user's own under the
    // temporary folder. The guard goes with the process, also when it crashes.
    explicit CInstanceLock(const CString& name);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

    // True when another holder existed when this one was made.
    bool OtherHolderExisted() const { return m_bOtherHolder; }
    // Why this object could not become a holder, or empty when it is one. The guard then
    // answers as if no other holder existed; the programs go on and say so.
    const CString& Problem() const { return m_strProblem; }
    // The program and process that made the guard, as "quarnctl (process 42)", when another
    // holder existed and that process, not this one, still runs; empty otherwise.
    const CString& Holder() const { return m_strHolder; }

    // Where the guard called name lives for this user; raises nothing, tells a folder that
    // cannot be trusted or made through problem.
    static CString PathFor(const CString& name, CString& problem);

private:
    bool Lock(int command, short type);
    void SayWhoHolds();
    CString HolderFromFile() const;

    int m_hFile = -1;
    bool m_bOtherHolder = false;
    CString m_strProblem;
    CString m_strHolder;
};
