// A user interface for tests: records every message box and answers from a script.
#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "IUserInterface.h"

class ScriptedUserInterface : public IUserInterface {
public:
    // One configuration dialog: edits the working copy as a user would and answers true
    // for OK, false for Cancel.
    using ConfigureStep = std::function<bool(CQuarnPrinter& workingCopy, unsigned flags)>;

    struct Shown {
        CString text;
        unsigned style;
    };

    // Installs itself for the lifetime of the object.
    ScriptedUserInterface();
    ~ScriptedUserInterface() override;

    int MessageBox(const CString& text, unsigned style) override;
    // Waits for the search to end, or cancels it once cancelAfterMs have passed when set;
    // after the end, enters the finds in the slices set by SettleInSlices.
    int RunSearchWait(ISearchWait& search) override;

    // Runs the next scripted configuration dialog; Cancel once the script is used up.
    bool RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags) override;
    void QueueConfigureDialog(ConfigureStep step);
    int ConfigureDialogsShown() const;

    // Makes the next network searches cancelled by the user after this many milliseconds.
    void CancelSearchesAfter(unsigned milliseconds);
    int SearchWaitsShown() const;
    // After a search's end, asks for at most mostSlices slices of sliceMs each, as a window
    // that keeps answering does, before it closes the wait; by default it asks for none.
    void SettleInSlices(unsigned sliceMs, int mostSlices);
    // The slices asked for so far, and whether the last one said all was entered.
    int SlicesSettled() const;
    bool SettledAll() const;

    // Answers given to the next message boxes in turn; IDOK once the script is used up.
    void QueueAnswer(int answer);
    std::vector<Shown> Messages() const;
    std::vector<CString> Texts() const;

private:
    void SettleSome(ISearchWait& search);

    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
    std::deque<ConfigureStep> m_configureSteps;
    int m_nConfigureDialogs = 0;
    int m_nSearchWaits = 0;
    int m_nCancelSearchAfterMs = -1;
    unsigned m_nSliceMs = 0;
    int m_nMostSlices = 0;
    int m_nSlicesSettled = 0;
    bool m_bSettledAll = false;
};
