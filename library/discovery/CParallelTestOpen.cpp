#include "CParallelTestOpen.h"

#include <algorithm>
#include <system_error>

#include "CException.h"
#include "CQuarnPrinter.h"

CParallelTestOpen::CParallelTestOpen(const CRuntimeClass* kind, std::set<CString, LessNoCase> known,
                                     unsigned mostAtOnce)
    : m_pKind(kind), m_nMostAtOnce(std::max(mostAtOnce, 1u)), m_setSeen(std::move(known))
{
}

CParallelTestOpen::~CParallelTestOpen()
{
    {
        std::lock_guard lock(m_mutex);
        m_waiting.clear();
    }
    Finish();
    for (auto& [name, outcome] : m_outcomes) {
        if (!outcome.error) continue;
        try {
            std::rethrow_exception(outcome.error);
        } catch (CException* e) {
            e->Delete();
        } catch (...) {
        }
    }
}

void CParallelTestOpen::Add(const CString& portName)
{
    std::lock_guard lock(m_mutex);
    if (m_bFinishing || !m_setSeen.insert(portName).second) return;
    m_waiting.push_back(portName);
    if (m_nIdle > 0) {
        m_workArrived.notify_one();
        return;
    }
    if (m_workers.size() >= m_nMostAtOnce) return;
    try {
        m_workers.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer threads than hoped for: those that run take this one too, or Finish does.
    }
}

void CParallelTestOpen::Finish()
{
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(m_mutex);
        m_bFinishing = true;
        m_workArrived.notify_all();
        workers.swap(m_workers);
    }
    // Without any thread of its own the work is done here.
    if (workers.empty()) Work();
    for (std::thread& worker : workers) worker.join();
}

void CParallelTestOpen::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_waiting.empty()) {
            if (m_bFinishing) return;
            ++m_nIdle;
            m_workArrived.wait(lock, [this] { return !m_waiting.empty() || m_bFinishing; });
            --m_nIdle;
            continue;
        }
        const CString name = std::move(m_waiting.front());
        m_waiting.pop_front();
        lock.unlock();
        Outcome outcome;
        try {
            outcome.port = CQuarnPrinter::TestOpenDetectedPort(m_pKind, name);
        } catch (...) {
            outcome.error = std::current_exception();
        }
        lock.lock();
        m_outcomes.emplace(name, std::move(outcome));
    }
}

bool CParallelTestOpen::Take(const CString& portName, std::unique_ptr<CPortBase>& port)
{
    const auto found = m_outcomes.find(portName);
    if (found == m_outcomes.end()) return false;
    Outcome outcome = std::move(found->second);
    m_outcomes.erase(found);
    if (outcome.error) std::rethrow_exception(outcome.error);
    port = std::move(outcome.port);
    return true;
}
