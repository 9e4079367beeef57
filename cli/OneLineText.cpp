#include "OneLineText.h"

#include "VisibleText.h"

CString Folded(CString text)
{
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

CString OneLine(const CString& text) { return VisibleText(Folded(text)); }
