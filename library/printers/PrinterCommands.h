// The command bytes the library sends to printers and the parsing of their answers.
#pragma once

#include <optional>

#include "CQuarnPrinterData.h"

namespace PrinterCommands {

inline constexpr unsigned kAnswerBufferSize = 1000;
// The set-serial-number command is built in a buffer of this size.
inline constexpr std::size_t kSetSerialCommandMax = 72;

inline const CString kTestPageQPL = "~WC";
inline const CString kTestPageKPL = "\nU\n";
inline const CString kAskSerialNumber = "\nURS\n";
inline const CString kResetHeadOdometer = "\noLr\r\n";
inline const CString kCalibrate = "\nxa\n";

char UnitLetter(EDisplayUnits units);
CString PrintOdometers(EDisplayUnits units);    // "\nURLip\n" or "\nURLmp\n"
CString PrintHeadHistory(EDisplayUnits units);  // "\nURHip\n" or "\nURHmp\n"
CString AskHeadHistory(EDisplayUnits units);    // "\nURHi\n" or "\nURHm\n"
CString AskOdometers(EDisplayUnits units);      // "\nURLi\n" or "\nURLm\n"

// The answer's characters before its first carriage return or line feed; an answer with
// neither gives an empty text, unless it fills the whole read (then it is all of it).
CString FirstLine(const CString& answer);

// The two "usage = " values of an odometer answer; both -1 when the answer is empty.
void ParseOdometers(const CString& answer, int& first, int& second);
// False when either value of ParseOdometers came from no digit at all (and so reads 0).
bool OdometerAnswerHasBothNumbers(const CString& answer);

// Backslash before every backslash, then before every double quote.
CString EscapeSerialNumber(const CString& serial);

// The whole set-serial-number command, or nothing when the escaped text would not fit
// the command buffer.
std::optional<CString> SetSerialNumberCommand(const CString& serial);

}  // namespace PrinterCommands
