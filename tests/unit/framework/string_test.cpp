// Byte-string helpers and the string table the library shows its texts from.
#include <gtest/gtest.h>

#include "CString.h"
#include "StringTable.h"

namespace {

TEST(ByteString, CaseIsIgnoredOnlyForAsciiLetters)
{
    EXPECT_TRUE(EqualsNoCase("ttyS0", "TTYs0"));
    EXPECT_TRUE(EqualsNoCase("/dev/usb/LP0", "/DEV/USB/lp0"));
    EXPECT_FALSE(EqualsNoCase("ttyS0", "ttyS0 "));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4"));  // Latin-1 letters are plain bytes
    EXPECT_LT(CompareNoCase("lp1", "LP2"), 0);
    EXPECT_GT(CompareNoCase("lp10", "LP1"), 0);
    EXPECT_EQ(CompareNoCase("", ""), 0);
}

TEST(ByteString, FormatHandlesEmptyAndLongResults)
{
    EXPECT_EQ(FormatString("%s%d", "Printer#", 12), "Printer#12");
    EXPECT_EQ(FormatString("%s", ""), "");
    EXPECT_EQ(FormatString("%s", CString(5000, 'x').c_str()).size(), 5000u);
}

TEST(StringTable, KnownIdsHaveTheirTextsAndOthersReportAbsence)
{
    bool found = false;
    EXPECT_EQ(LoadStringResource(IDS_DEFAULT_PRINTER_NAME, &found), "Printer#");
    EXPECT_TRUE(found);
    EXPECT_EQ(LoadStringResource(IDS_KIND_USB), "USB");
    EXPECT_EQ(LoadStringResource(IDS_NOT_AVAILABLE), "N/A");
    EXPECT_EQ(LoadStringResource(1, &found), "");
    EXPECT_FALSE(found);
}

}  // namespace
