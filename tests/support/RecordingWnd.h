// A notify window for tests: records every posted message and lets a test wait for one.
// Outcomes are taken over and kept apart from the other messages, so that the sequences
// tests compare stay those of the download's reports.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "CWnd.h"
#include "DownloadOutcome.h"

class RecordingWnd : public CWnd {
public:
    struct Message {
        unsigned id;
        WPARAM wParam;
        LPARAM lParam;
        bool operator==(const Message&) const = default;
    };

    void PostMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;

    std::vector<Message> Messages() const;
    // The lParam of every message with this id, in posting order.
    std::vector<LPARAM> Params(unsigned id) const;
    std::size_t Count(unsigned id) const;
    // Copies of the outcomes posted so far, in posting order.
    std::vector<DownloadOutcome> Outcomes() const;
    // The record each outcome was posted for.
    std::vector<WPARAM> OutcomeRecords() const;
    // Waits until count messages with this id have arrived; false when the time ran out.
    bool WaitForCount(unsigned id, std::size_t count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    std::size_t CountLocked(unsigned id) const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<Message> m_messages;
    std::vector<std::pair<WPARAM, std::unique_ptr<DownloadOutcome>>> m_outcomes;
};
