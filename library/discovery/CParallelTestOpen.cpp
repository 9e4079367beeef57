#include "CParallelTestOpen.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "CException.h"
#include "CQuarnPrinter.h"

CParallelTestOpen::CParallelTestOpen(const CRuntimeClass* kind, const std::vector<CString>& portNames,
                                     unsigned mostAtOnce)
{
    std::vector<Outcome> outcomes(portNames.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < portNames.size(); i = next++) {
            try {
                outcomes[i].port = CQuarnPrinter::TestOpenDetectedPort(kind, portNames[i]);
            } catch (...) {
                outcomes[i].error = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    const std::size_t helpers = std::min<std::size_t>(std::max(mostAtOnce, 1u), portNames.size());
    try {
        for (std::size_t i = 0; i < helpers; ++i) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than hoped for: those that started share the work.
    }
    if (workers.empty()) work();
    for (std::thread& worker : workers) worker.join();
    for (std::size_t i = 0; i < portNames.size(); ++i) m_outcomes.emplace(portNames[i], std::move(outcomes[i]));
}

CParallelTestOpen::~CParallelTestOpen()
{
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
