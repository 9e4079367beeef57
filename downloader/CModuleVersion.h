// Reads the version record embedded in a program or library file.
#pragma once

#include <QByteArray>
#include <QString>

#include "ModuleVersionRecord.h"

class CModuleVersion : public VS_FIXEDFILEINFO {
public:
    CModuleVersion();
    virtual ~CModuleVersion() = default;

    // True when the file holds a record with a valid signature; the fixed words stay all
    // zero otherwise.
    bool GetFileVersionInfo(const QString& moduleName);

    QByteArray m_pVersionInfo;  // the record's bytes as found in the file
};

// "major.minor" of a file's version, minor padded to two digits; empty when unreadable.
QString GetVersionText(const QString& moduleName);
