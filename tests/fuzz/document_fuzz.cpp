// A printer settings document is opened by whoever double-clicks it. Arbitrary bytes loaded
// as a whole document, each record's printer starting its thread as the programs do, must end
// in a list or an error the programs report, never a crash, a leak or a hang; and what the
// loaded list stores must load again as the same document.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <thread>

#include "CArchive.h"
#include "CException.h"
#include "CQuarnPrinterException.h"
#include "CQuarnPrinters.h"

namespace {

// What a document loaded from bytes stores, or nothing when the bytes are refused.
std::optional<CString> LoadAndStoreAgain(const CString& bytes)
{
    CQuarnPrinters document;
    try {
        CArchive in(bytes);
        document.Serialize(in, nullptr);
    } catch (CArchiveException* e) {
        e->Delete();
        return std::nullopt;
    } catch (CQuarnPrinterException* e) {
        e->Delete();
        return std::nullopt;
    }
    CArchive out;
    document.Serialize(out, nullptr);
    return out.Buffer();
}

std::size_t ThreadsOfThisProcess()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

// The printer threads end detached, a little after their document has seen them stop; until
// they are gone what they still hold would look lost to the leak check after this input.
// One that has not ended within seconds has outlived its document: that is a fault too.
void WaitForPrinterThreadsToEnd(std::size_t before)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ThreadsOfThisProcess() > before) {
        if (std::chrono::steady_clock::now() > deadline) __builtin_trap();
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Sanitizer runtimes start a helper thread of their own with the first thread a program
    // makes; one thread made and joined first keeps it out of the count.
    [[maybe_unused]] static const bool helpersStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    const std::size_t threadsBefore = ThreadsOfThisProcess();
    const auto stored = LoadAndStoreAgain(CString(reinterpret_cast<const char*>(data), size));
    if (stored && LoadAndStoreAgain(*stored) != stored) __builtin_trap();
    WaitForPrinterThreadsToEnd(threadsBefore);
    return 0;
}
