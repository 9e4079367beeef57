#include "CModuleVersion.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

CModuleVersion::CModuleVersion() : VS_FIXEDFILEINFO{} {}

bool CModuleVersion::GetFileVersionInfo(const QString& moduleName)
{
    static_cast<VS_FIXEDFILEINFO&>(*this) = VS_FIXEDFILEINFO{};
    QFile file(moduleName);
    if (moduleName.isEmpty() || !file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    const QByteArray marker(kVersionMarker, static_cast<int>(kVersionMarkerSize));
    const qsizetype recordSize = static_cast<qsizetype>(sizeof(ModuleVersionRecord));
    for (qsizetype at = bytes.indexOf(marker); at != -1; at = bytes.indexOf(marker, at + 1)) {
        if (at + recordSize > bytes.size()) break;
        const char* words = bytes.constData() + at + kVersionMarkerSize;
        if (qFromLittleEndian<std::uint32_t>(words) != kVersionSignature) continue;
        m_pVersionInfo = bytes.mid(at, recordSize);
        std::uint32_t fixed[13];
        for (int i = 0; i < 13; ++i) fixed[i] = qFromLittleEndian<std::uint32_t>(words + 4 * i);
        std::memcpy(static_cast<VS_FIXEDFILEINFO*>(this), fixed, sizeof fixed);
        return true;
    }
    return false;
}

QString GetVersionText(const QString& moduleName)
{
    CModuleVersion version;
    if (!version.GetFileVersionInfo(moduleName)) return {};
    return QStringLiteral("%1.%2")
        .arg(version.dwFileVersionMS >> 16)
        .arg(version.dwFileVersionMS & 0xFFFF, 2, 10, QLatin1Char('0'));
}
