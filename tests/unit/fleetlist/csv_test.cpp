// The CSV reader and writer: what spreadsheets write must be read cell for cell, and what we
// write must come back byte for byte and never run as a formula.
#include <gtest/gtest.h>

#include "CsvReader.h"
#include "CsvWriter.h"
#include "FormulaGuard.h"

namespace {

using Cells = std::vector<std::string>;

std::vector<Cells> CellsOf(const CsvTable& table)
{
    std::vector<Cells> cells;
    for (const CsvRecord& record : table.records) cells.push_back(record.cells);
    return cells;
}

}  // namespace

TEST(CsvReader, ReadsQuotedCellsSeparatorsLineEndsAndTheByteOrderMark)
{
    const CsvTable table =
        ReadCsv("\xEF\xBB\xBFname,model\r\n\"a, b\",\"say \"\"hi\"\"\"\n\n\"two\nlines\",\r\nlast,\"\"\rcr,x");
    EXPECT_EQ(table.separator, ',');
    EXPECT_EQ(CellsOf(table), (std::vector<Cells>{{"name", "model"},
                                                  {"a, b", "say \"hi\""},
                                                  {"two\nlines", ""},
                                                  {"last", ""},
                                                  {"cr", "x"}}));
    // Each record knows the line it starts on, blank lines and quoted line breaks counted.
    std::vector<int> lines;
    for (const CsvRecord& record : table.records) lines.push_back(record.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 4, 6, 7}));
}

TEST(CsvReader, TakesTheSeparatorTheHeaderUses)
{
    const CsvTable semicolons = ReadCsv("name;port;\"a,b\"\nx,y;10.0.0.5;\"1;2\"\n");
    EXPECT_EQ(semicolons.separator, ';');
    EXPECT_EQ(CellsOf(semicolons), (std::vector<Cells>{{"name", "port", "a,b"}, {"x,y", "10.0.0.5", "1;2"}}));
    EXPECT_EQ(ReadCsv("a,b;c\n").separator, ',') << "a tie, or more commas, means commas";
    EXPECT_TRUE(ReadCsv("").records.empty());
    EXPECT_TRUE(ReadCsv("\xEF\xBB\xBF\r\n\n").records.empty());
}

TEST(CsvReader, RefusesAnOpenQuoteAndTextAfterAClosingQuoteNamingTheLine)
{
    try {
        ReadCsv("a,b\nc,\"never\nclosed\n");
        FAIL() << "an open quote was accepted";
    } catch (const CsvSyntaxError& e) {
        EXPECT_EQ(e.Line(), 2) << "the line where the quote opened";
    }
    try {
        ReadCsv("a,b\n\"x\"\n\"y\"z,1\n");
        FAIL() << "text after a closing quote was accepted";
    } catch (const CsvSyntaxError& e) {
        EXPECT_EQ(e.Line(), 3);
    }
}

TEST(CsvWriter, WritesCellsThatReadBackExactlyAndNeverRunAsFormulas)
{
    const Cells tricky = {"plain", "a,b", "a;b", "say \"hi\"", "two\r\nlines", "", " spaced ", "=1+2", "+49 30",
                          "-5", "@SUM(A1)", "'=kept", "'plain", "\xff\xfe bytes"};
    Cells guarded;
    for (const std::string& cell : tricky) guarded.push_back(GuardFormula(cell));
    const std::string line = CsvLine(guarded);
    EXPECT_TRUE(line.ends_with("\r\n"));
    EXPECT_EQ(line.find(",="), std::string::npos) << line;
    EXPECT_EQ(line.find(",+"), std::string::npos) << line;
    EXPECT_EQ(line.find(",-"), std::string::npos) << line;
    EXPECT_EQ(line.find(",@"), std::string::npos) << line;

    const CsvTable table = ReadCsv(CsvLine({"header"}) + line);
    ASSERT_EQ(table.records.size(), 2u);
    Cells back;
    for (const std::string& cell : table.records[1].cells) back.push_back(UnguardFormula(cell));
    EXPECT_EQ(back, tricky);
    // The first cell of a file keeps a leading byte-order mark of its own.
    const CsvTable marked = ReadCsv(CsvLine({"\xEF\xBB\xBF" "first", "x"}));
    ASSERT_EQ(marked.records.size(), 1u);
    EXPECT_EQ(marked.records[0].cells, (Cells{"\xEF\xBB\xBF" "first", "x"}));
    // A cell that only looks guarded is left alone by the reader's side.
    EXPECT_EQ(UnguardFormula("'plain"), "'plain");
}
