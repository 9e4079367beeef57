// Raising printer errors from library code.
#pragma once

// Throws a new CQuarnPrinterException for a library code or a platform error number in the
// platform's numbering: 6 (invalid handle) becomes code 7, 87 (invalid parameter) code 10.
[[noreturn]] void ThrowPrinterError(int code);

// Throws a new CQuarnPrinterException for an errno value: a bad descriptor becomes code 7,
// an invalid argument code 10, a time-out code 12; any other number is kept apart from
// the library's codes (kPlatformErrorBase + errno) and shown with the system's text.
[[noreturn]] void ThrowPlatformError(int osError);
