// The document's integer and string encodings, and loading that never trusts a length.
#include <gtest/gtest.h>

#include "CArchive.h"
#include "CException.h"

namespace {

CString Stored(const CString& text)
{
    CArchive ar;
    ar << text;
    return ar.Buffer();
}

// The cause of the archive error that loading one string from bytes raises, or -1 when it loads.
int LoadFailure(const CString& bytes)
{
    CArchive ar(bytes);
    CString value;
    try {
        ar >> value;
    } catch (CArchiveException* e) {
        const int cause = e->m_cause;
        e->Delete();
        return cause;
    }
    return -1;
}

TEST(Archive, IntegersAreLittleEndianAndSigned)
{
    CArchive ar;
    ar << std::int32_t(9100) << std::int32_t(-2) << std::int32_t(INT32_MIN);
    EXPECT_EQ(ar.Buffer(), CString("\x8C\x23\x00\x00\xFE\xFF\xFF\xFF\x00\x00\x00\x80", 12));

    CArchive in(ar.Buffer());
    std::int32_t a, b, c;
    in >> a >> b >> c;
    EXPECT_EQ(a, 9100);
    EXPECT_EQ(b, -2);
    EXPECT_EQ(c, INT32_MIN);
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(Archive, StringLengthPrefixGrowsAtEachBoundary)
{
    struct Case {
        std::size_t length;
        CString prefix;
    };
    const Case cases[] = {
        {0, CString("\x00", 1)},
        {254, "\xFE"},
        {255, CString("\xFF\xFF\x00", 3)},
        {300, "\xFF\x2C\x01"},
        {0xFFFD, "\xFF\xFD\xFF"},
        {0xFFFE, CString("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
        {70000, CString("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const CString text(c.length, 'q');
        const CString bytes = Stored(text);
        EXPECT_EQ(bytes.substr(0, c.prefix.size()), c.prefix);
        EXPECT_EQ(bytes.size(), c.prefix.size() + c.length);

        CArchive in(bytes);
        CString loaded;
        in >> loaded;
        EXPECT_EQ(loaded, text);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

TEST(Archive, StringsKeepEveryByte)
{
    const CString bytes("a\0b\xFF\x80\n", 6);
    CArchive in(Stored(bytes));
    CString loaded;
    in >> loaded;
    EXPECT_EQ(loaded, bytes);
}

TEST(Archive, LongerPrefixFormsOfShortStringsStillLoad)
{
    // Another writer may use a wider prefix than needed; the bytes that follow decide.
    CArchive in(CString("\xFF\x03\x00" "abc" "\xFF\xFF\xFF\x02\x00\x00\x00" "de", 15));
    CString first, second;
    in >> first >> second;
    EXPECT_EQ(first, "abc");
    EXPECT_EQ(second, "de");
}

TEST(Archive, ShortOrLyingInputRaisesWithoutReadingPastIt)
{
    EXPECT_EQ(LoadFailure(""), CArchiveException::endOfFile);
    EXPECT_EQ(LoadFailure("\x05" "abcd"), CArchiveException::endOfFile);
    EXPECT_EQ(LoadFailure("\xFF"), CArchiveException::endOfFile);
    EXPECT_EQ(LoadFailure("\xFF\x2C"), CArchiveException::endOfFile);
    EXPECT_EQ(LoadFailure(CString("\xFF\xFF\xFF\x01\x00\x00", 6)), CArchiveException::endOfFile);
    // A length of 4 GiB over seven bytes of input must fail at once, not try to allocate it.
    EXPECT_EQ(LoadFailure("\xFF\xFF\xFF\xFF\xFF\xFF\xFF"), CArchiveException::endOfFile);
    EXPECT_EQ(LoadFailure("\xFF\xFE\xFF" "abc"), CArchiveException::badLength);
    EXPECT_EQ(LoadFailure("\x03" "abc"), -1);

    CArchive ints(CString("\x01\x02\x03", 3));
    std::int32_t value = 0;
    bool raised = false;
    try {
        ints >> value;
    } catch (CArchiveException* e) {
        raised = e->m_cause == CArchiveException::endOfFile;
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

TEST(Archive, ErrorsExplainThemselves)
{
    for (auto cause : {CArchiveException::endOfFile, CArchiveException::badLength, CArchiveException::badClass}) {
        CArchiveException error(cause);
        CString text;
        EXPECT_TRUE(error.GetErrorMessage(text));
        EXPECT_FALSE(text.empty());
    }
}

}  // namespace
