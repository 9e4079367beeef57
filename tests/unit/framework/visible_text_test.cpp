// Text from outside shown to a person: what is escaped, what is kept, and the hexadecimal
// form that carries a name's exact bytes.
#include <gtest/gtest.h>

#include "VisibleText.h"

TEST(VisibleText, ControlsAndBytesThatAreNotUtf8AreEscapedAndTextIsKept)
{
    // Escape sequences that would clear the screen, retitle the window or move the cursor.
    EXPECT_EQ(VisibleText("a\x1b[2Jb\x1b]0;title\x07"), "a\\x1b[2Jb\\x1b]0;title\\x07");
    EXPECT_EQ(VisibleText("one\ntwo\rthree\tfour\x7f"), "one\\x0atwo\\x0dthree\\x09four\\x7f");
    // A C1 control (the one-character CSI) is a control in its UTF-8 form too.
    EXPECT_EQ(VisibleText("\xc2\x9b" "2J"), "\\xc2\\x9b2J");
    // A lone byte, a cut sequence, an overlong slash, a surrogate, past U+10FFFF.
    EXPECT_EQ(VisibleText("\xff"), "\\xff");
    EXPECT_EQ(VisibleText("ab\xe2\x82"), "ab\\xe2\\x82");
    EXPECT_EQ(VisibleText("\xc0\xaf"), "\\xc0\\xaf");
    EXPECT_EQ(VisibleText("\xed\xa0\x80"), "\\xed\\xa0\\x80");
    EXPECT_EQ(VisibleText("\xf4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");
    // Text stays text; a backslash is doubled so that an escape can only mean an escape.
    EXPECT_EQ(VisibleText("Drucker \xc3\xa9tage \xe2\x82\xac \xf0\x9f\x96\xa8"),
              "Drucker \xc3\xa9tage \xe2\x82\xac \xf0\x9f\x96\xa8");
    EXPECT_EQ(VisibleText("a\\x1b"), "a\\\\x1b");
    EXPECT_EQ(VisibleText(CString("a\0b", 3)), "a\\x00b");

    EXPECT_EQ(VisibleLines("first \x1b[A\nsecond\r\nthird\rover\r"), "first \\x1b[A\nsecond\r\nthird\\x0dover\\x0d");
}

TEST(VisibleText, Utf8TestAndHexadecimalRoundTrip)
{
    EXPECT_TRUE(IsValidUtf8("plain \xc3\xa9 \xf0\x9f\x96\xa8"));
    for (const CString& invalid : {CString("\xff"), CString("\xc3"), CString("\xc0\xaf"), CString("\xed\xa0\x80")})
        EXPECT_FALSE(IsValidUtf8(invalid)) << HexOf(invalid);

    const CString bytes("N\xff\x00\x1b", 4);
    EXPECT_EQ(HexOf(bytes), "4eff001b");
    CString back;
    ASSERT_TRUE(BytesOfHex("4EfF001b", back));
    EXPECT_EQ(back, bytes);
    for (const char* wrong : {"4", "4g", "0x41", "41 42"}) {
        CString untouched = "kept";
        EXPECT_FALSE(BytesOfHex(wrong, untouched)) << wrong;
        EXPECT_EQ(untouched, "kept");
    }
}
