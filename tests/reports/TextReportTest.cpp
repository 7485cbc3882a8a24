#include "reports/TextReport.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>
#include <utility>
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

ReportInput Rows(std::vector<ReportRow> rows) {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    in.rows = std::move(rows);
    return in;
}

// Display order: a ".." row, a folder in both with a same and a different file, a left-only
// folder with its file, and a right-only file at the top level.
ReportInput SampleInput() {
    return Rows({Folder("..", 1, ReportStatus::FolderBoth, "/L", "/R"),
                 Folder("Docs", 1, ReportStatus::FolderBoth, "/L", "/R"),
                 File("a.txt", 2, ReportStatus::Same, "/L/Docs", "/R/Docs"),
                 File("b.txt", 2, ReportStatus::Different, "/L/Docs", "/R/Docs"),
                 Folder("Old", 1, ReportStatus::FolderLeftOnly, "/L", ""),
                 File("x.log", 2, ReportStatus::LeftOnly, "/L/Old", ""),
                 File("new.txt", 1, ReportStatus::RightOnly, "", "/R")});
}

// Options with what `off` names switched off: V, T, S the version, time and size columns; v, t,
// s, b their labels and "bytes"; d the difference label; h the seconds.
ReportOptions Without(std::string_view off) {
    const std::pair<char, bool ReportOptions::*> flags[] = {
        {'V', &ReportOptions::versionColumn}, {'T', &ReportOptions::timeColumn},
        {'S', &ReportOptions::sizeColumn},    {'v', &ReportOptions::versionLabel},
        {'t', &ReportOptions::timeLabel},     {'s', &ReportOptions::sizeLabel},
        {'b', &ReportOptions::bytesLabel},    {'d', &ReportOptions::diffStatLabel},
        {'h', &ReportOptions::hhmmss}};
    ReportOptions o;
    for (const auto& [letter, flag] : flags) {
        o.*flag = off.find(letter) == std::string_view::npos;
    }
    return o;
}

struct LayoutCase {
    const char* what;
    ReportInput input;
    const char* off;
    int index;
    int style;
    std::string expected;
};

const std::string kBoth = "1st DIR [/L] vs 2nd DIR [/R]\n\n";

// Every layout (normal text for indexes 0, 2, 4, 6, spreadsheet for the odd ones) with each name
// style and column set, over the sample tree unless a row says otherwise.
TEST(TextReport, LayoutsAndSamples) {
    const std::string left = "Version: 1.0.0.0\tTime: 01/04/2010 12:34\tSize: 1,024 bytes\t";
    const std::string right = "Version: 1.0.0.1\tTime: 01/05/2010 08:00\tSize: 20 bytes\t";
    ReportRow twoSpellings = File("a.TXT", 1, ReportStatus::Different, "/L", "/R");
    twoSpellings.rightName = "A.txt";
    const std::vector<ReportRow> contradicting = {
        Folder("Odd", 1, ReportStatus::FolderLeftOnly, "/L", "/R"),
        Folder("Half", 2, ReportStatus::FolderBoth, "", "/R/Odd")};
    const std::string wrong = "\t======= SOMETHING WRONG =======\n";
    const LayoutCase cases[] = {
        {"normal, all, folder symbols", SampleInput(), "", 6, 0,
         kBoth +
             "Docs/.\t(Both)\n"
             "\t./a.txt\tVersion: 1.0.0.0\tTime: 01/04/2010::12:34\tSize: 1,024 bytes\t\t(Same)\n"
             "\t./b.txt\tVersion: 1.0.0.0<->1.0.0.1\tTime: 01/04/2010::12:34<->Time: "
             "01/05/2010::08:00\tSize: 1,024<->20 bytes\t\t(Different)\n"
             "Old/.\t(Left-only)\n"
             "\t./x.log\tVersion: 1.0.0.0\tTime: 01/04/2010::12:34\tSize: 1,024 bytes\t\t"
             "(Left-only)\n"
             "./new.txt\tVersion: 1.0.0.1\tTime: 01/05/2010::08:00\tSize: 20 bytes\t\t"
             "(Right-only)\n"},
        // The differing file keeps its "<->" joins and one TAB each without labels.
        {"normal differences, plain names, no labels", SampleInput(), "Vvsbh", 0, 1,
         kBoth + "Only different files will be displayed.\n\nDocs\t(Both)\n"
                 "\tb.txt\tTime: 01/04/2010<->Time: 01/05/2010\t1,024<->20\t\t(Different)\n"
                 "Old\t(Left-only)\n\tx.log\tTime: 01/04/2010\t1,024\t\t(Left-only)\n"
                 "new.txt\tTime: 01/05/2010\t20\t\t(Right-only)\n"},
        // One side: Same and one-sided rows end plainly, Different keeps its label, the other
        // side's rows vanish; with no columns a file row is its name and one TAB.
        {"normal left view", SampleInput(), "VTS", 2, 0,
         "DIR [/L]\n\nDocs/.\n\t./a.txt\t\n\t./b.txt\t\t(Different)\nOld/.\n\t./x.log\t\n"},
        {"normal right view", SampleInput(), "VTS", 4, 0,
         "DIR [/R]\n\nDocs/.\n\t./a.txt\t\n\t./b.txt\t\t(Different)\n./new.txt\t\n"},
        // Full paths: no folder rows, a pair on two lines (left then right), one-sided on one.
        {"normal full paths", SampleInput(), "VTd", 6, 2,
         kBoth + "/L/Docs/a.txt\n/R/Docs/a.txt\tSize: 1,024 bytes\t\n"
                 "/L/Docs/b.txt\n/R/Docs/b.txt\tSize: 1,024<->20 bytes\t\n"
                 "/L/Old/x.log\tSize: 1,024 bytes\t\n/R/new.txt\tSize: 20 bytes\t\n"},
        // The spreadsheet pads every block to max depth + column count cells (here 2 + 3).
        {"spreadsheet, all", SampleInput(), "", 7, 0,
         kBoth + "[./Docs/]\t\t\t\t\t[./Docs/]\t(Both)\n\ta.txt\t" + left + "\ta.txt\t" + right +
             "\t(Same)\n\tb.txt\t" + left + "\tb.txt\t" + right +
             "\t(Different)\n[./Old/]\t(Left-only)\n\tx.log\t" + left +
             "\t\t\t\t\t\t(Left-only)\n\t\t\t\t\tnew.txt\t\t" + right + "\t(Right-only)\n"},
        {"spreadsheet left view", SampleInput(), "Vh", 3, 1,
         kBoth + "[Docs]\n\ta.txt\tTime: 01/04/2010\tSize: 1,024 bytes\t\n"
                 "\tb.txt\tTime: 01/04/2010\tSize: 1,024 bytes\t\n"
                 "[Old]\n\tx.log\tTime: 01/04/2010\tSize: 1,024 bytes\t\n"},
        // The right-only file's missing left side leaves no empty block behind.
        {"spreadsheet right view", SampleInput(), "VT", 5, 0,
         kBoth + "[./Docs/]\n\ta.txt\tSize: 20 bytes\t\n\tb.txt\tSize: 20 bytes\t\n"
                 "new.txt\t\tSize: 20 bytes\t\n"},
        {"spreadsheet differences, full paths", SampleInput(), "VTS", 1, 2,
         kBoth + "\t/L/Docs/b.txt\t\t/R/Docs/b.txt\t\t(Different)\n"
                 "\t/L/Old/x.log\t\t\t\t(Left-only)\n\t\t/R/new.txt\t\t\t(Right-only)\n"},
        // A pair whose names differ in case shows each side's own spelling.
        {"spreadsheet, two spellings", Rows({twoSpellings}), "VTS", 7, 2,
         kBoth + "/L/a.TXT\t/R/A.txt\t\t(Different)\n"},
        {"normal, two spellings", Rows({twoSpellings}), "VTS", 6, 2,
         kBoth + "/L/a.TXT\n/R/A.txt\t\t(Different)\n"},
        // Folder rows whose sides contradict their status are flagged instead of labelled.
        {"normal, contradicting folders", Rows(contradicting), "", 6, 0,
         kBoth + "Odd/." + wrong + "\tHalf/." + wrong},
        {"spreadsheet, contradicting folders", Rows(contradicting), "", 7, 1,
         kBoth + "Odd" + wrong + "\tHalf" + wrong},
        {"empty, normal", Rows({}), "", 0, 0,
         kBoth + "Only different files will be displayed.\n\n"},
        {"empty, right view", Rows({}), "", 4, 0, "DIR [/R]\n\n"},
        {"empty, spreadsheet", Rows({}), "", 3, 0, kBoth}};
    for (const LayoutCase& c : cases) {
        const ReportOptions o = Without(c.off);
        EXPECT_EQ(IsSpreadsheetIndex(c.index) ? BuildSpreadsheetReport(c.input, o, c.index, c.style)
                                              : BuildTextReport(c.input, o, c.index, c.style),
                  c.expected)
            << c.what;
    }
    // The dialog's sample line for each file-name style and column set.
    const std::tuple<int, const char*, std::string> samples[] = {
        {0, "",
         " MyFolder/.\n\t./MyFile.ext\tVersion: 1.2.3\tTime: 01/01/190012:34\tSize: 123,456 "
         "bytes\n ..."},
        {1, "Vh", " MyFolder\n\tMyFile.ext\t\tTime: 01/01/1900\tSize: 123,456 bytes\n ..."},
        {2, "vtsb", " /MyFolder/MyFile.ext\t\t1.2.3\t01/01/190012:34\t123,456\n ..."}};
    for (const auto& [style, off, expected] : samples) {
        EXPECT_EQ(BuildReportSample(Without(off), style), expected) << style;
    }
}

}  // namespace
}  // namespace quillon
