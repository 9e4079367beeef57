// The words the Download Status column uses for a download's last outcome.
#pragma once

#include <QString>
#include <cstdint>

// "Done — 3.0 MiB in 2.9 s"
QString DoneStatusText(std::uint64_t bytes, double seconds);
// "Failed: That port is unavailable." (the first line of the message; the tooltip has it all)
QString FailedStatusText(const QString& message);
// "Cancelled at 62 % (2.2 MiB of 3.0 MiB)"
QString CancelledStatusText(std::uint64_t taken, std::uint64_t size);
// "Downloads finished: 30 ok, 2 failed, 0 cancelled"
QString RunSummaryText(int ok, int failed, int cancelled);
