#include "ConsoleUserInterface.h"

#include <cstdio>

ConsoleUserInterface::ConsoleUserInterface() { AfxSetUserInterface(this); }

ConsoleUserInterface::~ConsoleUserInterface() { AfxSetUserInterface(nullptr); }

int ConsoleUserInterface::MessageBox(const CString& text, unsigned style)
{
    Sink sink;
    {
        std::lock_guard lock(m_mutex);
        m_lastByThread[std::this_thread::get_id()] = text;
        sink = m_sink;
    }
    if (sink) {
        sink(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    switch (style & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_OKCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

void ConsoleUserInterface::SetSink(Sink sink)
{
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

CString ConsoleUserInterface::TakeLastMessage()
{
    std::lock_guard lock(m_mutex);
    auto it = m_lastByThread.find(std::this_thread::get_id());
    if (it == m_lastByThread.end()) return {};
    CString text = std::move(it->second);
    m_lastByThread.erase(it);
    return text;
}
