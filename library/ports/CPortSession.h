// Keeps a port open for one exchange and closes it on every way out, errors included.
#pragma once

#include "CPortBase.h"

class CPortSession {
public:
    // Opens the port; a printer error from the open passes on and nothing is left open
    // (a serial port that rejects its line settings stays open until closed here).
    explicit CPortSession(CPortBase& port) : m_port(port)
    {
        try {
            m_port.Open();
        } catch (...) {
            m_port.Close();
            throw;
        }
    }
    ~CPortSession() { m_port.Close(); }
    CPortSession(const CPortSession&) = delete;
    CPortSession& operator=(const CPortSession&) = delete;

    CPortBase& Port() { return m_port; }

private:
    CPortBase& m_port;
};
