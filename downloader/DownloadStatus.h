// What the Download Status column shows of a printer's download when no bar covers it:
// "Waiting" and "Calibrating" while a run goes on, then the download's outcome.
#pragma once

#include <QIcon>
#include <QString>
#include <cstdint>
#include <optional>

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
// The outcome's error for people: its text, and the detail on a line of its own, each with
// control bytes and bytes that are not UTF-8 shown as escapes.
QString OutcomeMessageText(const DownloadOutcome& outcome);

// "Done — 3.0 MiB in 2.9 s", "Failed: <text>" with the whole error in the tooltip,
// "Cancelled at 62 % (2.2 MiB of 3.0 MiB)". transferSeconds: how long the file took to go
// out, when known; otherwise the outcome's whole time, calibration pause included.
DownloadStatus OutcomeStatus(const DownloadOutcome& outcome, std::optional<double> transferSeconds);

// The outcome's error for people: its text, and the detail on a line of its own, each with
// control bytes and bytes that are not UTF-8 shown as escapes.
QString OutcomeMessageText(const DownloadOutcome& outcome);

// "Done — 3.0 MiB in 2.9 s"
QString DoneStatusText(std::uint64_t bytes, double seconds);
// "Failed: That port is unavailable." (the first line of the message)
QString FailedStatusText(const QString& message);
// "Cancelled at 62 % (2.2 MiB of 3.0 MiB)"
QString CancelledStatusText(std::uint64_t taken, std::uint64_t size);
// "Downloads finished: 30 ok, 2 failed, 0 cancelled"
QString RunSummaryText(int ok, int failed, int cancelled);
