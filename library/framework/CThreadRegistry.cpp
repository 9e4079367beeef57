#include "CThreadRegistry.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

struct Registry {
    std::mutex mutex;
    std::uint32_t nLastId = 0;
    std::unordered_map<std::uint32_t, std::shared_ptr<CThreadMessageQueue>> queues;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

std::uint32_t CThreadRegistry::Register(std::shared_ptr<CThreadMessageQueue> queue)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    // Refusing once the ids run out keeps a stale id from ever reaching a newer thread.
    if (registry.nLastId == UINT32_MAX) return 0;
    const std::uint32_t id = ++registry.nLastId;
    registry.queues.emplace(id, std::move(queue));
    return id;
}

void CThreadRegistry::Unregister(std::uint32_t threadId)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.queues.erase(threadId);
}

std::shared_ptr<CThreadMessageQueue> CThreadRegistry::Find(std::uint32_t threadId)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.queues.find(threadId);
    return found == registry.queues.end() ? nullptr : found->second;
}
