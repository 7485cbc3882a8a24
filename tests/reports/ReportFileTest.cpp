#include <gtest/gtest.h>

#include <string>

#include "reports/TextReport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;
using namespace std::string_literals;

// One differing file at the top level: a header plus one row, small enough to spell out.
ReportInput OneRow() {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    ReportRow row;
    row.name = "f\xC3\xA9";  // "fé"
    row.status = ReportStatus::LeftOnly;
    row.leftPath = "/L";
    in.rows = {row};
    return in;
}

ReportOptions NoColumns() {
    ReportOptions o;
    o.versionColumn = o.timeColumn = o.sizeColumn = false;
    return o;
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

const std::string kHeader = "1st DIR [/L] vs 2nd DIR [/R]\n\n";

// UTF-8: the normal layout has no mark and LF; the spreadsheet starts with EF BB BF.
TEST(ReportFile, Utf8MarksAndLineEnds) {
    TestDir dir;
    ASSERT_TRUE(WriteTextReport(OneRow(), NoColumns(), dir / "n.txt", 6, 3, 1));
    EXPECT_EQ(dir.ReadFile("n.txt"), kHeader + "f\xC3\xA9\t\t(Left-only)\n");
    ASSERT_TRUE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "s.txt", 7, 3, 1));
    EXPECT_EQ(dir.ReadFile("s.txt"), "\xEF\xBB\xBF" + kHeader + "f\xC3\xA9\t\t\t(Left-only)\n");
}

// A name that is not UTF-8 (Latin-1 "café") gets U+FFFD per stray byte, as UTF-16 shows it, so
// the file stays valid UTF-8.
TEST(ReportFile, Utf8ReplacesInvalidBytes) {
    TestDir dir;
    ReportInput in = OneRow();
    in.rows[0].name = "caf\xE9\xE8";
    ASSERT_TRUE(WriteTextReport(in, NoColumns(), dir / "n.txt", 6, 3, 1));
    EXPECT_EQ(dir.ReadFile("n.txt"), kHeader + "caf\xEF\xBF\xBD\xEF\xBF\xBD\t\t(Left-only)\n");
}

// UTF-16: code units in the chosen byte order; only the spreadsheet carries FF FE / FE FF.
TEST(ReportFile, Utf16ByteOrders) {
    TestDir dir;
    const std::string body = "\t\t(Left-only)\n";
    ASSERT_TRUE(WriteTextReport(OneRow(), NoColumns(), dir / "le.txt", 6, 1, 1));
    EXPECT_EQ(dir.ReadFile("le.txt"), Utf16(kHeader + "f", false) + "\xE9\0"s + Utf16(body, false));
    ASSERT_TRUE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "be.txt", 7, 2, 1));
    EXPECT_EQ(dir.ReadFile("be.txt"),
              "\xFE\xFF"s + Utf16(kHeader + "f", true) + "\0\xE9"s + Utf16("\t" + body, true));
    ASSERT_TRUE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "le2.txt", 7, 1, 1));
    EXPECT_EQ(dir.ReadFile("le2.txt").substr(0, 4), "\xFF\xFE" + Utf16("1", false));
}

// ANSI is written as a Windows text file: CR LF line ends and never a mark, in both layouts.
TEST(ReportFile, AnsiUsesCrLf) {
    TestDir dir;
    ReportInput in = OneRow();
    in.rows[0].name = "f";
    ASSERT_TRUE(WriteTextReport(in, NoColumns(), dir / "n.txt", 6, 0, 1));
    EXPECT_EQ(dir.ReadFile("n.txt"), "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t(Left-only)\r\n");
    ASSERT_TRUE(WriteSpreadsheetReport(in, NoColumns(), dir / "s.txt", 7, 0, 1));
    EXPECT_EQ(dir.ReadFile("s.txt"), "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t\t(Left-only)\r\n");
}

// The normal layout appends to what is there (the caller deletes first); the spreadsheet replaces.
TEST(ReportFile, NormalAppendsSpreadsheetReplaces) {
    TestDir dir;
    dir.WriteFile("n.txt", "old\n");
    dir.WriteFile("s.txt", "old\n");
    ASSERT_TRUE(WriteTextReport(OneRow(), NoColumns(), dir / "n.txt", 4, 3, 0));
    EXPECT_EQ(dir.ReadFile("n.txt"), "old\nDIR [/R]\n\n");
    ASSERT_TRUE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "s.txt", 5, 3, 0));
    EXPECT_EQ(dir.ReadFile("s.txt"), "\xEF\xBB\xBF" + kHeader);
}

// A file that cannot be created is reported, not thrown or half-written.
TEST(ReportFile, UnwritableTargetFails) {
    TestDir dir;
    EXPECT_FALSE(WriteTextReport(OneRow(), NoColumns(), dir / "missing/n.txt", 6, 3, 0));
    EXPECT_FALSE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "missing/s.txt", 7, 1, 0));
    EXPECT_FALSE(dir.Exists("missing"));
}

}  // namespace
}  // namespace quillon
