#include "ConsoleUserInterface.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <unistd.h>

#include "SearchCountdown.h"
#include "VisibleText.h"

namespace {

bool IsQuestion(unsigned style)
{
    const unsigned buttons = style & 0xF;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL || buttons == MB_OKCANCEL;
}

int Affirmative(unsigned style) { return (style & 0xF) == MB_OKCANCEL ? IDOK : IDYES; }

int Negative(unsigned style) { return (style & 0xF) == MB_OKCANCEL ? IDCANCEL : IDNO; }

// Only a person at a terminal can be asked: anything else reading stdin is a script.
bool CanAsk() { return ::isatty(STDIN_FILENO) != 0 && ::isatty(STDERR_FILENO) != 0; }

}  // namespace

ConsoleUserInterface::ConsoleUserInterface() { AfxSetUserInterface(this); }

ConsoleUserInterface::~ConsoleUserInterface() { AfxSetUserInterface(nullptr); }

int ConsoleUserInterface::MessageBox(const CString& text, unsigned style)
{
    Sink sink;
    {
        std::lock_guard lock(m_mutex);
        // The operator has answered already; repeating the question would only be noise.
        if (IsQuestion(style) && m_bAnswerYes) {
            m_lastAnswer = Answer::Yes;
            return Affirmative(style);
        }
        sink = m_sink;
    }
    if (sink) {
        sink(text);
    } else {
        std::fprintf(stderr, "%s\n", VisibleLines(text).c_str());
    }
    return IsQuestion(style) ? Ask(style) : IDOK;
}

int ConsoleUserInterface::Ask(unsigned style)
{
    std::lock_guard lock(m_mutex);
    if (!CanAsk()) {
        m_lastAnswer = Answer::NoOneToAsk;
        return Negative(style);
    }
    std::fputs("(y/N) ", stderr);
    std::fflush(stderr);
    std::string reply;
    std::getline(std::cin, reply);
    const bool yes = EqualsNoCase(reply, "y") || EqualsNoCase(reply, "yes");
    m_lastAnswer = yes ? Answer::Yes : Answer::No;
    return yes ? Affirmative(style) : Negative(style);
}

int ConsoleUserInterface::RunSearchWait(ISearchWait& search)
{
    return SearchCountdown(stderr, ::isatty(STDERR_FILENO) != 0).Run(search);
}

ConsoleUserInterface::Answer ConsoleUserInterface::TakeLastAnswer()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_lastAnswer, Answer::None);
}

void ConsoleUserInterface::SetSink(Sink sink)
{
    std::lock_guard lock(m_mutex);
    m_sink = std::move(sink);
}

