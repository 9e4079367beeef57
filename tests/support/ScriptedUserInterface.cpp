#include "ScriptedUserInterface.h"

#include <chrono>

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

int ScriptedUserInterface::RunSearchWait(ISearchWait& search)
{
    int cancelAfterMs;
    {
        std::lock_guard lock(m_mutex);
        ++m_nSearchWaits;
        cancelAfterMs = m_nCancelSearchAfterMs;
    }
    search.Begin();
    if (cancelAfterMs < 0) {
        while (!search.WaitForEnd(1000)) {
        }
        SettleSome(search);
        return IDOK;
    }
    if (search.WaitForEnd(static_cast<unsigned>(cancelAfterMs))) {
        SettleSome(search);
        return IDOK;
    }
    search.Cancel();
    return IDCANCEL;
}

void ScriptedUserInterface::SettleSome(ISearchWait& search)
{
    unsigned sliceMs;
    int mostSlices;
    {
        std::lock_guard lock(m_mutex);
        sliceMs = m_nSliceMs;
        mostSlices = m_nMostSlices;
    }
    for (int slice = 0; slice < mostSlices; ++slice) {
        const bool all = search.Settle(sliceMs);
        std::lock_guard lock(m_mutex);
        ++m_nSlicesSettled;
        m_bSettledAll = all;
        if (all) return;
    }
}

void ScriptedUserInterface::SettleInSlices(unsigned sliceMs, int mostSlices)
{
    std::lock_guard lock(m_mutex);
    m_nSliceMs = sliceMs;
    m_nMostSlices = mostSlices;
}

int ScriptedUserInterface::SlicesSettled() const
{
    std::lock_guard lock(m_mutex);
    return m_nSlicesSettled;
}

bool ScriptedUserInterface::SettledAll() const
{
    std::lock_guard lock(m_mutex);
    return m_bSettledAll;
}

void ScriptedUserInterface::CancelSearchesAfter(unsigned milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_nCancelSearchAfterMs = static_cast<int>(milliseconds);
}

int ScriptedUserInterface::SearchWaitsShown() const
{
    std::lock_guard lock(m_mutex);
    return m_nSearchWaits;
}

bool ScriptedUserInterface::RunPrinterConfigureDialog(CQuarnPrinter& workingCopy, unsigned flags)
{
    ConfigureStep step;
    {
        std::lock_guard lock(m_mutex);
        ++m_nConfigureDialogs;
        if (m_configureSteps.empty()) return false;
        step = std::move(m_configureSteps.front());
        m_configureSteps.pop_front();
    }
    // Outside the lock: a step may show a message box of its own.
    return step(workingCopy, flags);
}

void ScriptedUserInterface::QueueConfigureDialog(ConfigureStep step)
{
    std::lock_guard lock(m_mutex);
    m_configureSteps.push_back(std::move(step));
}

int ScriptedUserInterface::ConfigureDialogsShown() const
{
    std::lock_guard lock(m_mutex);
    return m_nConfigureDialogs;
}
