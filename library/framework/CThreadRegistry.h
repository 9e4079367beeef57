// The process-wide table from thread id to message queue. Posts go through it, so a post
// to a thread that has ended finds nothing and is lost harmlessly.
#pragma once

#include <cstdint>
#include <memory>

#include "CThreadMessageQueue.h"

class CThreadRegistry {
public:
    // Enters a queue under a new id; ids start at 1 and are never given out
    // twice; 0 when they have run out.
    static std::uint32_t Register(std::shared_ptr<CThreadMessageQueue> queue);
    static void Unregister(std::uint32_t threadId);
    // The queue of a live thread, or null.
    static std::shared_ptr<CThreadMessageQueue> Find(std::uint32_t threadId);
};
