// What the Download Status column shows of a printer's download when no bar covers it:
// "Waiting" and "Calibrating" while a run goes on, then the download's outcome.
#pragma once

#include <QIcon>
#include <QString>
#include <cstdint>

struct DownloadOutcome;

struct DownloadStatus {
    QString text;
    QString toolTip;
    QIcon icon;
    bool transient = false;  // true while the download runs (waiting, calibrating)
    bool retry = false;      // the download failed or was cancelled
};

DownloadStatus WaitingStatus();
DownloadStatus CalibratingStatus();
// "Done — 3.0 MiB in 2.9 s", "Failed: <text>" with the whole error in the tooltip,
// "Cancelled at 62 % (2.2 MiB of 3.0 MiB)".
DownloadStatus OutcomeStatus(const DownloadOutcome& outcome);

// "Done — 3.0 MiB in 2.9 s"
QString DoneStatusText(std::uint64_t bytes, double seconds);
// "Failed: That port is unavailable." (the first line of the message)
QString FailedStatusText(const QString& message);
// "Cancelled at 62 % (2.2 MiB of 3.0 MiB)"
QString CancelledStatusText(std::uint64_t taken, std::uint64_t size);
// "Downloads finished: 30 ok, 2 failed, 0 cancelled"
QString RunSummaryText(int ok, int failed, int cancelled);
