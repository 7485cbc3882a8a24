#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "reports/TextReport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;
using namespace std::string_literals;

// One left-only file at the top level: a header plus one row, small enough to spell out.
ReportInput OneRow(const std::string& name = "f\xC3\xA9") {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    in.rows.resize(1);
    in.rows[0].name = name;
    in.rows[0].status = ReportStatus::LeftOnly;
    in.rows[0].leftPath = "/L";
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

// UTF-8 (3): the normal layout has no mark and LF, the spreadsheet starts with EF BB BF; a name
// that is not UTF-8 (Latin-1 "café") gets U+FFFD per stray byte, as UTF-16 shows it. UTF-16 (1
// little-endian, 2 big-endian): only the spreadsheet carries FF FE / FE FF. ANSI (0) is a
// Windows text file: CR LF and never a mark.
TEST(ReportFile, EncodingsMarksAndLineEnds) {
    const std::string row = "\t\t(Left-only)\n";
    const std::tuple<int, int, const char*, std::string> cases[] = {
        {6, 3, "f\xC3\xA9", kHeader + "f\xC3\xA9" + row},
        {7, 3, "f\xC3\xA9", "\xEF\xBB\xBF" + kHeader + "f\xC3\xA9\t" + row},
        {6, 3, "caf\xE9\xE8", kHeader + "caf\xEF\xBF\xBD\xEF\xBF\xBD" + row},
        {6, 1, "f\xC3\xA9", Utf16(kHeader + "f", false) + "\xE9\0"s + Utf16(row, false)},
        {7, 2, "f\xC3\xA9",
         "\xFE\xFF"s + Utf16(kHeader + "f", true) + "\0\xE9"s + Utf16("\t" + row, true)},
        {7, 1, "f", "\xFF\xFE"s + Utf16(kHeader + "f\t" + row, false)},
        {6, 0, "f", "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t(Left-only)\r\n"},
        {7, 0, "f", "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t\t(Left-only)\r\n"}};
    TestDir dir;
    for (const auto& [index, encoding, name, expected] : cases) {
        const ReportInput in = OneRow(name);
        std::remove((dir / "r.txt").c_str());
        ASSERT_TRUE(index == 6 ? WriteTextReport(in, NoColumns(), dir / "r.txt", index, encoding, 1)
                               : WriteSpreadsheetReport(in, NoColumns(), dir / "r.txt", index,
                                                        encoding, 1));
        EXPECT_EQ(dir.ReadFile("r.txt"), expected) << index << " " << encoding << " " << name;
    }
}

// The normal layout appends to what is there (the caller deletes first); the spreadsheet
// replaces. A file that cannot be created is reported, not thrown or half-written.
TEST(ReportFile, NormalAppendsSpreadsheetReplacesMissingFolderFails) {
    TestDir dir;
    dir.MakeTree({{"n.txt", "old\n"}, {"s.txt", "old\n"}});
    ASSERT_TRUE(WriteTextReport(OneRow(), NoColumns(), dir / "n.txt", 4, 3, 0));
    EXPECT_EQ(dir.ReadFile("n.txt"), "old\nDIR [/R]\n\n");
    ASSERT_TRUE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "s.txt", 5, 3, 0));
    EXPECT_EQ(dir.ReadFile("s.txt"), "\xEF\xBB\xBF" + kHeader);
    EXPECT_FALSE(WriteTextReport(OneRow(), NoColumns(), dir / "missing/n.txt", 6, 3, 0));
    EXPECT_FALSE(WriteSpreadsheetReport(OneRow(), NoColumns(), dir / "missing/s.txt", 7, 1, 0));
    EXPECT_FALSE(dir.Exists("missing"));
}

}  // namespace
}  // namespace quillon
