// The library's message boxes and search wait for quarnctl: texts on stderr and questions
// answered by the operator's choice.
#pragma once

#include <functional>
#include <mutex>

#include "IUserInterface.h"

class ConsoleUserInterface : public IUserInterface {
public:
    using Sink = std::function<void(const CString&)>;

    // How the last question was settled.
    enum class Answer { None, Yes, No, NoOneToAsk };

    // Installs itself as the library's user interface for its lifetime.
    ConsoleUserInterface();
    ~ConsoleUserInterface() override;

    // Questions are answered Yes when the operator said so in advance; otherwise they are
    // asked on a terminal, and without one they get the answer that changes nothing.
    int MessageBox(const CString& text, unsigned style) override;
    // Counts the search down on stderr; Ctrl-C cancels it.
    int RunSearchWait(ISearchWait& search) override;

    // Every question from now on is answered Yes without asking.
    void AnswerYes() { m_bAnswerYes = true; }
    // How the last question was settled, then forgets it.
    Answer TakeLastAnswer();

    // Where texts go instead of plain stderr while it lives (the progress display during a
    // download, or a line that names the printer).
    class ScopedSink {
    public:
        ScopedSink(ConsoleUserInterface& ui, Sink sink) : m_ui(ui) { m_ui.SetSink(std::move(sink)); }
        ~ScopedSink() { m_ui.SetSink(nullptr); }
        ScopedSink(const ScopedSink&) = delete;
        ScopedSink& operator=(const ScopedSink&) = delete;

    private:
        ConsoleUserInterface& m_ui;
    };

private:
    void SetSink(Sink sink);
    int Ask(unsigned style);

    std::mutex m_mutex;
    Sink m_sink;
    bool m_bAnswerYes = false;
    Answer m_lastAnswer = Answer::None;
};
