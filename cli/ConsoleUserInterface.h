// The library's message boxes for quarnctl: text on stderr, and the last text of each
// thread kept so that a download's failure can be named in its result.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "IUserInterface.h"

class ConsoleUserInterface : public IUserInterface {
public:
    using Sink = std::function<void(const CString&)>;

    // Installs itself as the library's user interface for its lifetime.
    ConsoleUserInterface();
    ~ConsoleUserInterface() override;

    // Nobody can be asked: questions get the answer that changes nothing.
    int MessageBox(const CString& text, unsigned style) override;

    // Where texts go instead of plain stderr (the progress display, during a download).
    void SetSink(Sink sink);
    // The last text shown on the calling thread since the previous call, then forgets it.
    CString TakeLastMessage();

private:
    std::mutex m_mutex;
    Sink m_sink;
    std::map<std::thread::id, CString> m_lastByThread;
};
