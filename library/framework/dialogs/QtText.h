// Byte strings of the library shown in and read back from Qt widgets.
#pragma once

#include <QString>

#include "CString.h"

QString ToQString(const CString& text);
CString FromQString(const QString& text);
// The bytes a field now stands for: the original bytes while the field still shows what it
// was given, so a name that is not valid UTF-8 survives an edit that leaves it alone.
CString FromField(const QString& now, const QString& shown, const CString& original);
