// Text from outside (printer names and answers, models, paths, messages that quote them) made
// safe to show a person: nothing in it can move a terminal's cursor, retitle its window or
// split one line into two.
#pragma once

#include "CString.h"

// Valid UTF-8 stays as it is, apart from control characters (C0, DEL and C1), which become
// \xHH escapes of their bytes, as does every byte that is not part of valid UTF-8. A backslash
// becomes \\ so that an escape in the output always means an escaped byte.
CString VisibleText(const CString& bytes);

// The same for a text of several lines: its line breaks (LF or CR LF) stay; anything else is
// escaped.
CString VisibleLines(const CString& text);

// True when bytes are valid UTF-8 (overlong forms, surrogates and code points past U+10FFFF
// are not).
bool IsValidUtf8(const CString& bytes);

// The bytes as lowercase hexadecimal, two digits a byte; and back (false for text that is not
// an even number of hexadecimal digits).
CString HexOf(const CString& bytes);
bool BytesOfHex(const CString& hex, CString& bytes);
