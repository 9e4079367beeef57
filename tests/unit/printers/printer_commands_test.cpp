#include <gtest/gtest.h>

#include "PrinterCommands.h"

using namespace PrinterCommands;

TEST(PrinterCommands, UnitLetterIsInchesOnlyForZero)
{
    EXPECT_EQ(AskOdometers(static_cast<EDisplayUnits>(0)), "\nURLi\n");
    EXPECT_EQ(AskOdometers(static_cast<EDisplayUnits>(1)), "\nURLm\n");
    EXPECT_EQ(AskOdometers(static_cast<EDisplayUnits>(2)), "\nURLm\n");
    EXPECT_EQ(PrintOdometers(duInches), "\x0A\x55\x52\x4C\x69\x70\x0A");
    EXPECT_EQ(PrintHeadHistory(duMetric), "\x0A\x55\x52\x48\x6D\x70\x0A");
    EXPECT_EQ(AskHeadHistory(duInches), "\x0A\x55\x52\x48\x69\x0A");
}

TEST(PrinterCommands, FirstLineStopsAtCarriageReturnOrLineFeed)
{
    EXPECT_EQ(FirstLine("XJ42\r\n"), "XJ42");
    EXPECT_EQ(FirstLine("AB\nCD\r"), "AB");
    EXPECT_EQ(FirstLine("no line end"), "");
    // An answer as long as the whole read lost its line end to the read's size.
    const CString wholeRead(kAnswerBufferSize, 'S');
    EXPECT_EQ(FirstLine(wholeRead), wholeRead);
    EXPECT_EQ(FirstLine(wholeRead.substr(1)), "");
    EXPECT_EQ(FirstLine(""), "");
}

TEST(PrinterCommands, OdometersReadBothUsageValuesWithoutCommas)
{
    int first = 0, second = 0;
    ParseOdometers("Label odometer usage = 1,234 in\r\nHead usage = 56 in\r\n", first, second);
    EXPECT_EQ(first, 1234);
    EXPECT_EQ(second, 56);
}

TEST(PrinterCommands, OdometersWithoutAnswerStayUnknown)
{
    int first = 7, second = 7;
    ParseOdometers("", first, second);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, -1);
}

TEST(PrinterCommands, OdometersWithoutMarkerSkipSevenCharacters)
{
    int first = 0, second = 0;
    ParseOdometers("1234567  89", first, second);
    EXPECT_EQ(first, 89);
    EXPECT_EQ(second, 0);  // nothing left after the first value's text
    ParseOdometers("short", first, second);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 0);
}

TEST(PrinterCommands, AnOdometerAnswerHasNumbersOnlyWhenBothValuesHadDigits)
{
    EXPECT_TRUE(OdometerAnswerHasBothNumbers("Label usage = 0 in\r\nHead usage = 56 in\r\n"));
    EXPECT_TRUE(OdometerAnswerHasBothNumbers("usage = -3 usage = +4"));
    EXPECT_FALSE(OdometerAnswerHasBothNumbers("Label usage = none\r\nHead usage = 56\r\n"));
    EXPECT_FALSE(OdometerAnswerHasBothNumbers("Label usage = 12\r\n"));
    EXPECT_FALSE(OdometerAnswerHasBothNumbers("usage = - usage = 5"));
    EXPECT_FALSE(OdometerAnswerHasBothNumbers(""));
}

TEST(PrinterCommands, OdometerValuesBeyondIntSaturate)
{
    int first = 0, second = 0;
    ParseOdometers("usage = 99999999999999999999 usage = -99999999999999999999", first, second);
    EXPECT_EQ(first, 2147483647);
    EXPECT_EQ(second, -2147483647 - 1);
}

TEST(PrinterCommands, SerialNumberEscapingAddsOneBackslashPerQuoteOrBackslash)
{
    EXPECT_EQ(EscapeSerialNumber("A\"B\\"), "A\\\"B\\\\");
    const auto command = SetSerialNumberCommand("A\"B\\");
    ASSERT_TRUE(command);
    EXPECT_EQ(*command, "\nheS\"A\\\"B\\\\\"\r\n");
    EXPECT_EQ(command->size(), 14u);
}

TEST(PrinterCommands, SerialNumberThatDoesNotFitTheCommandIsRefused)
{
    EXPECT_TRUE(SetSerialNumberCommand(CString(64, 'x')));
    EXPECT_FALSE(SetSerialNumberCommand(CString(65, 'x')));
    EXPECT_TRUE(SetSerialNumberCommand(CString(32, '"')));   // 64 once escaped
    EXPECT_FALSE(SetSerialNumberCommand(CString(33, '\\')));  // 66 once escaped
}
