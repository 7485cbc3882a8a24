#include "reports/TextReport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

ReportRow Folder(const std::string& name, int depth, ReportStatus status, const std::string& left,
                 const std::string& right) {
    ReportRow row;
    row.isFolder = true;
    row.name = name;
    row.depth = depth;
    row.status = status;
    row.leftPath = left;
    row.rightPath = right;
    return row;
}

ReportRow File(const std::string& name, int depth, ReportStatus status, const std::string& left,
               const std::string& right) {
    ReportRow row = Folder(name, depth, status, left, right);
    row.isFolder = false;
    if (!left.empty()) {
        row.leftVersion = "1.0.0.0";
        row.leftTime = "01/04/2010 12:34";
        row.leftSize = "1,024";
    }
    if (!right.empty()) {
        row.rightVersion = "1.0.0.1";
        row.rightTime = "01/05/2010 08:00";
        row.rightSize = "20";
    }
    return row;
}

// Display order: a ".." row, a folder in both with a same and a different file, a left-only
// folder with its file, and a right-only file at the top level.
ReportInput SampleInput() {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    in.rows = {
        Folder("..", 1, ReportStatus::FolderBoth, "/L", "/R"),
        Folder("Docs", 1, ReportStatus::FolderBoth, "/L", "/R"),
        File("a.txt", 2, ReportStatus::Same, "/L/Docs", "/R/Docs"),
        File("b.txt", 2, ReportStatus::Different, "/L/Docs", "/R/Docs"),
        Folder("Old", 1, ReportStatus::FolderLeftOnly, "/L", ""),
        File("x.log", 2, ReportStatus::LeftOnly, "/L/Old", ""),
        File("new.txt", 1, ReportStatus::RightOnly, "", "/R"),
    };
    return in;
}

// The whole normal-text report, all columns and labels on, with folder symbols.
TEST(TextReport, NormalAllWithFolderSymbols) {
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "Docs/.\t(Both)\n"
        "\t./a.txt\tVersion: 1.0.0.0\tTime: 01/04/2010::12:34\tSize: 1,024 bytes\t\t(Same)\n"
        "\t./b.txt\tVersion: 1.0.0.0<->1.0.0.1\tTime: 01/04/2010::12:34<->Time: "
        "01/05/2010::08:00\tSize: 1,024<->20 bytes\t\t(Different)\n"
        "Old/.\t(Left-only)\n"
        "\t./x.log\tVersion: 1.0.0.0\tTime: 01/04/2010::12:34\tSize: 1,024 bytes\t\t(Left-only)\n"
        "./new.txt\tVersion: 1.0.0.1\tTime: 01/05/2010::08:00\tSize: 20 bytes\t\t(Right-only)\n";
    EXPECT_EQ(BuildTextReport(SampleInput(), ReportOptions{}, 6, 0), expected);
}

// Plain names, labels off, date only: the differing file keeps its "<->" joins and one TAB each.
TEST(TextReport, NormalDifferencesPlainNamesNoLabels) {
    ReportOptions o;
    o.versionColumn = false;
    o.versionLabel = o.sizeLabel = o.bytesLabel = false;
    o.hhmmss = false;
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "Only different files will be displayed.\n\n"
        "Docs\t(Both)\n"
        "\tb.txt\tTime: 01/04/2010<->Time: 01/05/2010\t1,024<->20\t\t(Different)\n"
        "Old\t(Left-only)\n"
        "\tx.log\tTime: 01/04/2010\t1,024\t\t(Left-only)\n"
        "new.txt\tTime: 01/05/2010\t20\t\t(Right-only)\n";
    EXPECT_EQ(BuildTextReport(SampleInput(), o, 0, 1), expected);
}

// The left view: Same and Left-only rows end plainly, Different keeps its label, right-only rows
// vanish; with all columns off a file row is its name, one TAB and the row end. The right view
// mirrors it: the right-only file ends plainly and the left-only folder is gone.
TEST(TextReport, NormalOneSideViewRowEnds) {
    ReportOptions o;
    o.versionColumn = o.timeColumn = o.sizeColumn = false;
    const std::string docs = "Docs/.\n\t./a.txt\t\n\t./b.txt\t\t(Different)\n";
    EXPECT_EQ(BuildTextReport(SampleInput(), o, 2, 0),
              "DIR [/L]\n\n" + docs + "Old/.\n\t./x.log\t\n");
    EXPECT_EQ(BuildTextReport(SampleInput(), o, 4, 0), "DIR [/R]\n\n" + docs + "./new.txt\t\n");
}

// Full paths: no folder rows, a pair on two lines (left then right), one-sided rows on one.
TEST(TextReport, NormalFullPathStyle) {
    ReportOptions o;
    o.versionColumn = o.timeColumn = false;
    o.diffStatLabel = false;
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "/L/Docs/a.txt\n/R/Docs/a.txt\tSize: 1,024 bytes\t\n"
        "/L/Docs/b.txt\n/R/Docs/b.txt\tSize: 1,024<->20 bytes\t\n"
        "/L/Old/x.log\tSize: 1,024 bytes\t\n"
        "/R/new.txt\tSize: 20 bytes\t\n";
    EXPECT_EQ(BuildTextReport(SampleInput(), o, 6, 2), expected);
}

// Folder rows whose sides contradict their status are flagged instead of labelled.
TEST(TextReport, FolderWithContradictingSidesIsFlagged) {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    in.rows = {Folder("Odd", 1, ReportStatus::FolderLeftOnly, "/L", "/R"),
               Folder("Half", 2, ReportStatus::FolderBoth, "", "/R/Odd")};
    EXPECT_EQ(BuildTextReport(in, ReportOptions{}, 6, 0),
              "1st DIR [/L] vs 2nd DIR [/R]\n\n"
              "Odd/.\t======= SOMETHING WRONG =======\n"
              "\tHalf/.\t======= SOMETHING WRONG =======\n");
    EXPECT_EQ(BuildSpreadsheetReport(in, ReportOptions{}, 7, 1),
              "1st DIR [/L] vs 2nd DIR [/R]\n\n"
              "Odd\t======= SOMETHING WRONG =======\n"
              "\tHalf\t======= SOMETHING WRONG =======\n");
}

// An empty comparison writes the header only, in every layout.
TEST(TextReport, EmptyComparisonIsHeaderOnly) {
    ReportInput in;
    in.leftRoot = "/a";
    in.rightRoot = "/b";
    EXPECT_EQ(BuildTextReport(in, ReportOptions{}, 0, 0),
              "1st DIR [/a] vs 2nd DIR [/b]\n\nOnly different files will be displayed.\n\n");
    EXPECT_EQ(BuildTextReport(in, ReportOptions{}, 4, 0), "DIR [/b]\n\n");
    EXPECT_EQ(BuildSpreadsheetReport(in, ReportOptions{}, 3, 0),
              "1st DIR [/a] vs 2nd DIR [/b]\n\n");
}

// The spreadsheet pads every block to max depth + column count cells (here 2 + 3).
TEST(SpreadsheetReport, AllRowsLineUp) {
    std::string left = "Version: 1.0.0.0\tTime: 01/04/2010 12:34\tSize: 1,024 bytes\t";
    std::string right = "Version: 1.0.0.1\tTime: 01/05/2010 08:00\tSize: 20 bytes\t";
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "[./Docs/]\t\t\t\t\t[./Docs/]\t(Both)\n"
        "\ta.txt\t" +
        left + "\ta.txt\t" + right +
        "\t(Same)\n"
        "\tb.txt\t" +
        left + "\tb.txt\t" + right +
        "\t(Different)\n"
        "[./Old/]\t(Left-only)\n"
        "\tx.log\t" +
        left + "\t\t\t\t\t" +
        "\t(Left-only)\n"
        "\t\t\t\t\t" +
        "new.txt\t\t" + right + "\t(Right-only)\n";
    EXPECT_EQ(BuildSpreadsheetReport(SampleInput(), ReportOptions{}, 7, 0), expected);
}

// Index 3 keeps only left blocks and plain row ends; right-only rows are skipped.
TEST(SpreadsheetReport, LeftViewOmitsRightBlocks) {
    ReportOptions o;
    o.versionColumn = false;
    o.hhmmss = false;
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "[Docs]\n"
        "\ta.txt\tTime: 01/04/2010\tSize: 1,024 bytes\t\n"
        "\tb.txt\tTime: 01/04/2010\tSize: 1,024 bytes\t\n"
        "[Old]\n"
        "\tx.log\tTime: 01/04/2010\tSize: 1,024 bytes\t\n";
    EXPECT_EQ(BuildSpreadsheetReport(SampleInput(), o, 3, 1), expected);
}

// Index 5 keeps right blocks; the left-only folder and file disappear, the right-only file's
// missing left side leaves no empty block behind.
TEST(SpreadsheetReport, RightViewOmitsLeftBlocks) {
    ReportOptions o;
    o.versionColumn = o.timeColumn = false;
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "[./Docs/]\n"
        "\ta.txt\tSize: 20 bytes\t\n"
        "\tb.txt\tSize: 20 bytes\t\n"
        "new.txt\t\tSize: 20 bytes\t\n";
    EXPECT_EQ(BuildSpreadsheetReport(SampleInput(), o, 5, 0), expected);
}

// Index 1 drops Same files; full-path style drops folders and names each side by its own path.
TEST(SpreadsheetReport, DifferencesWithFullPaths) {
    ReportOptions o;
    o.versionColumn = o.timeColumn = o.sizeColumn = false;
    std::string expected =
        "1st DIR [/L] vs 2nd DIR [/R]\n\n"
        "\t/L/Docs/b.txt\t\t/R/Docs/b.txt\t\t(Different)\n"
        "\t/L/Old/x.log\t\t\t\t(Left-only)\n"
        "\t\t/R/new.txt\t\t\t(Right-only)\n";
    EXPECT_EQ(BuildSpreadsheetReport(SampleInput(), o, 1, 2), expected);
}

// A pair whose names differ in case shows each side's own spelling where the side is named.
TEST(SpreadsheetReport, EachSideKeepsItsSpelling) {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    ReportRow row = File("a.TXT", 1, ReportStatus::Different, "/L", "/R");
    row.rightName = "A.txt";
    in.rows = {row};
    ReportOptions o;
    o.versionColumn = o.timeColumn = o.sizeColumn = false;
    EXPECT_EQ(BuildSpreadsheetReport(in, o, 7, 2),
              "1st DIR [/L] vs 2nd DIR [/R]\n\n/L/a.TXT\t/R/A.txt\t\t(Different)\n");
    EXPECT_EQ(BuildTextReport(in, o, 6, 2),
              "1st DIR [/L] vs 2nd DIR [/R]\n\n/L/a.TXT\n/R/A.txt\t\t(Different)\n");
}

struct SampleCase {
    int style;
    bool versionColumn;
    bool hhmmss;
    bool labels;
    std::string expected;
};

class ReportSample : public ::testing::TestWithParam<SampleCase> {};

// The dialog's sample line for each file-name style and column set.
TEST_P(ReportSample, FollowsStyleAndColumns) {
    ReportOptions o;
    o.versionColumn = GetParam().versionColumn;
    o.hhmmss = GetParam().hhmmss;
    o.versionLabel = o.timeLabel = o.sizeLabel = o.bytesLabel = GetParam().labels;
    EXPECT_EQ(BuildReportSample(o, GetParam().style), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, ReportSample,
    ::testing::Values(
        SampleCase{0, true, true, true,
                   " MyFolder/.\n\t./MyFile.ext\tVersion: 1.2.3\tTime: 01/01/190012:34\tSize: "
                   "123,456 bytes\n ..."},
        SampleCase{1, false, false, true,
                   " MyFolder\n\tMyFile.ext\t\tTime: 01/01/1900\tSize: 123,456 bytes\n ..."},
        SampleCase{2, true, true, false,
                   " /MyFolder/MyFile.ext\t\t1.2.3\t01/01/190012:34\t123,456\n ..."}));

}  // namespace
}  // namespace quillon
