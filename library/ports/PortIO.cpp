#include "PortIO.h"

#include <chrono>
#include <thread>

#include "CQuarnPrinterException.h"
#include "PrinterErrors.h"

void WriteAll(CPortBase& port, const CString& command, unsigned noProgressLimitMs)
{
    using Clock = std::chrono::steady_clock;
    std::size_t sent = 0;
    auto lastProgress = Clock::now();
    while (sent < command.size()) {
        std::uint32_t written = 0;
        port.Write(command.data() + sent, static_cast<std::uint32_t>(command.size() - sent), &written);
        if (written > 0) {
            sent += written;
            lastProgress = Clock::now();
            continue;
        }
        if (Clock::now() - lastProgress >= std::chrono::milliseconds(noProgressLimitMs)) ThrowPrinterError(errTimeout);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
