#include "DownloadStatus.h"

#include <QApplication>
#include <QLocale>
#include <QStyle>
#include <chrono>

#include "DownloadOutcome.h"
#include "DownloaderStrings.h"
#include "VisibleText.h"

namespace {

// Always in the same units and with one decimal, so a column of sizes reads alike whatever
// the desktop's language.
QString Size(std::uint64_t bytes)
{
    return QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeIecFormat);
}

QIcon StandardIcon(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

QString Text(const CString& bytes) { return QString::fromStdString(VisibleText(bytes)); }

}  // namespace

QString OutcomeMessageText(const DownloadOutcome& outcome)
{
    // The line break between text and detail is layout; any other control byte is shown.
    QStringList lines;
    for (const QByteArray& line : QByteArray::fromStdString(OutcomeMessage(outcome)).split('\n'))
        lines << Text(line.toStdString());
    return lines.join(QLatin1Char('\n'));
}

DownloadStatus WaitingStatus()
{
    return {QString::fromLatin1(DownloaderStrings::kStatusWaiting), QString(),
            StandardIcon(QStyle::SP_MediaPause), true, false};
}

DownloadStatus CalibratingStatus()
{
    return {QString::fromLatin1(DownloaderStrings::kStatusCalibrating), QString(),
            StandardIcon(QStyle::SP_BrowserReload), true, false};
}

DownloadStatus OutcomeStatus(const DownloadOutcome& outcome, std::optional<double> transferSeconds)
{
    DownloadStatus status;
    switch (outcome.result) {
    case DownloadResult::ok: {
        const double seconds =
            transferSeconds.value_or(std::chrono::duration<double>(outcome.ended - outcome.started).count());
        status.text = outcome.fileSize == 0 ? QString::fromLatin1(DownloaderStrings::kEmptyFile)
                                            : DoneStatusText(outcome.bytesTaken, seconds);
        if (!outcome.confirmed) status.text += QStringLiteral(" (not confirmed by the printer)");
        status.icon = StandardIcon(QStyle::SP_DialogApplyButton);
        break;
    }
    case DownloadResult::failed:
        status.toolTip = OutcomeMessageText(outcome);
        status.text = FailedStatusText(status.toolTip);
        status.icon = StandardIcon(QStyle::SP_MessageBoxCritical);
        status.retry = true;
        break;
    case DownloadResult::cancelled:
        status.text = CancelledStatusText(outcome.bytesTaken, outcome.fileSize);
        status.icon = StandardIcon(QStyle::SP_DialogCancelButton);
        status.retry = true;
        break;
    }
    if (outcome.calibration == CalibrationResult::failed) {
        const QString calibration = QStringLiteral("Calibration failed: ") + Text(outcome.calibrationMessage);
        status.text += QStringLiteral("; calibration failed");
        status.toolTip += (status.toolTip.isEmpty() ? QString() : QStringLiteral("\n")) + calibration;
        status.icon = StandardIcon(QStyle::SP_MessageBoxWarning);
    }
    if (status.toolTip.isEmpty()) status.toolTip = status.text;
    return status;
}

QString DoneStatusText(std::uint64_t bytes, double seconds)
{
    return QStringLiteral("Done \u2014 %1 in %2 s").arg(Size(bytes), QString::number(seconds, 'f', 1));
}

QString FailedStatusText(const QString& message)
{
    return QStringLiteral("Failed: ") + message.section(QLatin1Char('\n'), 0, 0);
}

QString CancelledStatusText(std::uint64_t taken, std::uint64_t size)
{
    // A file of no byte has nothing left to cut short.
    const std::uint64_t percent = size == 0 ? 100 : taken * 100 / size;
    return QStringLiteral("Cancelled at %1 % (%2 of %3)").arg(percent).arg(Size(taken), Size(size));
}

QString RunSummaryText(int ok, int failed, int cancelled)
{
    return QStringLiteral("Downloads finished: %1 ok, %2 failed, %3 cancelled").arg(ok).arg(failed).arg(cancelled);
}
