#include "DownloadStatusText.h"

#include <QLocale>

namespace {

// Always in the same units and with one decimal, so a column of sizes reads alike whatever
// the desktop's language.
QString Size(std::uint64_t bytes)
{
    return QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeIecFormat);
}

}  // namespace

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
