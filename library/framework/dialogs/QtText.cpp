#include "QtText.h"

QString ToQString(const CString& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

CString FromQString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return CString(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

CString FromField(const QString& now, const QString& shown, const CString& original)
{
    return now == shown ? original : FromQString(now);
}
