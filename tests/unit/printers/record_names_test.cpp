// Default printer names and the two class-wide counters behind them.
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "CArchive.h"
#include "CQuarnPrinter.h"

namespace {

class RecordNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CQuarnPrinterData::m_nRefCount, 0) << "a record outlived an earlier test";
        CQuarnPrinterData::m_nPrinterCount = 1;
    }

    // Loads a record that carries only a name (and no port) into a new printer.
    static std::unique_ptr<CQuarnPrinter> LoadNamed(const CString& name)
    {
        CArchive out;
        out << name << CString() << CString() << CString("none") << std::int32_t(0);
        CArchive in(out.Buffer());
        auto printer = std::make_unique<CQuarnPrinter>();
        printer->Serialize(in);
        return printer;
    }
};

TEST_F(RecordNames, NewRecordsAreNumberedAndNumberingRestartsWhenAllAreGone)
{
    {
        CQuarnPrinter first, second;
        CQuarnPrinterData third;
        EXPECT_EQ(first.Name(), "Printer#1");
        EXPECT_EQ(second.Name(), "Printer#2");
        EXPECT_EQ(third.Name(), "Printer#3");
        EXPECT_EQ(CQuarnPrinterData::m_nRefCount, 3);
        EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 4);
    }
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, 0);
    CQuarnPrinter again;
    EXPECT_EQ(again.Name(), "Printer#1");
}

TEST_F(RecordNames, DeletingARecordLowersTheNextNumber)
{
    CQuarnPrinter first;
    auto second = std::make_unique<CQuarnPrinter>();
    second.reset();
    CQuarnPrinter next;
    EXPECT_EQ(next.Name(), "Printer#2");
}

TEST_F(RecordNames, WorkingCopyCountsLikeAnyRecord)
{
    CQuarnPrinter original;
    CQuarnPrinter copy(original);
    EXPECT_EQ(copy.Name(), "Printer#1");
    EXPECT_EQ(CQuarnPrinterData::m_nRefCount, 2);
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 3);
}

TEST_F(RecordNames, LoadedDefaultNamesMoveTheCounterPastThem)
{
    auto third = LoadNamed("Printer#3");
    auto tenth = LoadNamed("Printer#10");
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 11);
    auto lower = LoadNamed("Printer#4");
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 11);
    CQuarnPrinter fresh;
    EXPECT_EQ(fresh.Name(), "Printer#11");
}

TEST_F(RecordNames, NamesWithoutANumberAtTheDefaultPlaceLeaveTheCounter)
{
    std::vector<std::unique_ptr<CQuarnPrinter>> loaded;
    for (const char* name : {"Printer#0", "Printer#abc", "Office Printer#7", "Printer#", "printer#9", "Printer#-4",
                             "Printer#99999999999", "Printer#2147483647"}) {
        loaded.push_back(LoadNamed(name));
        // Each load undoes the count of its own empty record, so the next number is unchanged.
        EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 1) << name;
    }
}

TEST_F(RecordNames, NumberIsReadLikeAtoi)
{
    auto spaced = LoadNamed("Printer# 12 (old)");
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 13);
    auto prefixed = LoadNamed("Printer#20b");
    EXPECT_EQ(CQuarnPrinterData::m_nPrinterCount, 21);
}

}  // namespace
