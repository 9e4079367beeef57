#include "ScriptedUserInterface.h"

ScriptedUserInterface::ScriptedUserInterface() { AfxSetUserInterface(this); }

ScriptedUserInterface::~ScriptedUserInterface() { AfxSetUserInterface(nullptr); }

int ScriptedUserInterface::MessageBox(const CString& text, unsigned style)
{
    std::lock_guard lock(m_mutex);
    m_shown.push_back({text, style});
    if (m_answers.empty()) return IDOK;
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void ScriptedUserInterface::QueueAnswer(int answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

std::vector<ScriptedUserInterface::Shown> ScriptedUserInterface::Messages() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<CString> ScriptedUserInterface::Texts() const
{
    std::lock_guard lock(m_mutex);
    std::vector<CString> texts;
    for (const auto& shown : m_shown) texts.push_back(shown.text);
    return texts;
}
