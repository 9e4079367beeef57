// A user interface for tests: records every message box and answers from a script.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "IUserInterface.h"

class ScriptedUserInterface : public IUserInterface {
public:
    struct Shown {
        CString text;
        unsigned style;
    };

    // Installs itself for the lifetime of the object.
    ScriptedUserInterface();
    ~ScriptedUserInterface() override;

    int MessageBox(const CString& text, unsigned style) override;

    // Answers given to the next message boxes in turn; IDOK once the script is used up.
    void QueueAnswer(int answer);
    std::vector<Shown> Messages() const;
    std::vector<CString> Texts() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
};
