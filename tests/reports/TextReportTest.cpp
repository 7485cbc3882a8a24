#include "reports/TextReport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "core/Comparison.h"
#include "core/DiffItem.h"
#include "platform/FileText.h"
#include "reports/ReportOptions.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;
using namespace std::string_literals;

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

// A ".." row, a folder in both with a same and a different file, left-only and right-only items.
ReportInput SampleInput() {
    return Rows({Folder("..", 1, ReportStatus::FolderBoth, "/L", "/R"),
                 Folder("Docs", 1, ReportStatus::FolderBoth, "/L", "/R"),
                 File("a.txt", 2, ReportStatus::Same, "/L/Docs", "/R/Docs"),
                 File("b.txt", 2, ReportStatus::Different, "/L/Docs", "/R/Docs"),
                 Folder("Old", 1, ReportStatus::FolderLeftOnly, "/L", ""),
                 File("x.log", 2, ReportStatus::LeftOnly, "/L/Old", ""),
                 File("new.txt", 1, ReportStatus::RightOnly, "", "/R")});
}

// Switched off: V, T, S version, time, size columns; v, t, s, b their labels; d diff label; h secs.
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

std::string Build(const ReportInput& input, const ReportOptions& options, int index, int style) {
    return IsSpreadsheetIndex(index) ? BuildSpreadsheetReport(input, options, index, style)
                                     : BuildTextReport(input, options, index, style);
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

// Every layout (normal for even indexes, spreadsheet for odd) with each name style and column set.
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
        // One side: only Different keeps its label; with no columns a file row is name and TAB.
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
        EXPECT_EQ(Build(c.input, o, c.index, c.style), c.expected) << c.what;
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

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

// Only the spreadsheet has a mark (none for ANSI, which has CR LF); a stray byte becomes U+FFFD.
TEST(ReportFile, EncodingsMarksAndLineEnds) {
    const std::string row = "\t\t(Left-only)\n";
    const std::tuple<int, int, const char*, std::string> cases[] = {
        {6, 3, "f\xC3\xA9", kBoth + "f\xC3\xA9" + row},
        {7, 3, "f\xC3\xA9", "\xEF\xBB\xBF" + kBoth + "f\xC3\xA9\t" + row},
        {6, 3, "caf\xE9\xE8", kBoth + "caf\xEF\xBF\xBD\xEF\xBF\xBD" + row},
        {6, 1, "f\xC3\xA9", Utf16(kBoth + "f", false) + "\xE9\0"s + Utf16(row, false)},
        {7, 2, "f\xC3\xA9",
         "\xFE\xFF"s + Utf16(kBoth + "f", true) + "\0\xE9"s + Utf16("\t" + row, true)},
        {7, 1, "f", "\xFF\xFE"s + Utf16(kBoth + "f\t" + row, false)},
        {6, 0, "f", "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t(Left-only)\r\n"},
        {7, 0, "f", "1st DIR [/L] vs 2nd DIR [/R]\r\n\r\nf\t\t\t(Left-only)\r\n"}};
    TestDir dir;
    for (const auto& [index, encoding, name, expected] : cases) {
        const ReportInput in = Rows({File(name, 1, ReportStatus::LeftOnly, "/L", "")});
        std::remove((dir / "r.txt").c_str());
        ASSERT_TRUE(
            index == 6
                ? WriteTextReport(in, Without("VTS"), dir / "r.txt", index, encoding, 1)
                : WriteSpreadsheetReport(in, Without("VTS"), dir / "r.txt", index, encoding, 1));
        EXPECT_EQ(dir.ReadFile("r.txt"), expected) << index << " " << encoding << " " << name;
    }
}

// The normal layout appends (the caller deletes first), the spreadsheet replaces; failures report.
TEST(ReportFile, NormalAppendsSpreadsheetReplacesMissingFolderFails) {
    TestDir dir;
    dir.MakeTree({{"n.txt", "old\n"}, {"s.txt", "old\n"}});
    ASSERT_TRUE(WriteTextReport(Rows({}), Without("VTS"), dir / "n.txt", 4, 3, 0));
    EXPECT_EQ(dir.ReadFile("n.txt"), "old\nDIR [/R]\n\n");
    ASSERT_TRUE(WriteSpreadsheetReport(Rows({}), Without("VTS"), dir / "s.txt", 5, 3, 0));
    EXPECT_EQ(dir.ReadFile("s.txt"), "\xEF\xBB\xBF" + kBoth);
    EXPECT_FALSE(WriteTextReport(Rows({}), Without("VTS"), dir / "missing/n.txt", 6, 3, 0));
    EXPECT_FALSE(WriteSpreadsheetReport(Rows({}), Without("VTS"), dir / "missing/s.txt", 7, 1, 0));
    EXPECT_FALSE(dir.Exists("missing"));
}

// A report read from the tree (one reused row) says what the copied rows say, "skipped" included.
TEST(ReportFromTree, SameAsCollectedRows) {
    TestDir dir;
    const time_t t = test::LocalTime(2011, 2, 3, 4, 5);
    dir.MakeTree({{"L/Docs/a.txt", "same", t},
                  {"R/Docs/a.txt", "same", t},
                  {"L/Docs/aa.txt", "left only", t},
                  {"R/Docs/ab.txt", "right only", t},
                  {"L/Docs/b.txt", "left", t},
                  {"R/Docs/b.txt", "right!", t + 600},
                  {"L/Docs/Case.TXT", "c", t},
                  {"R/Docs/case.txt", "c", t},
                  {"L/Old/deep/x.log", "x", t},
                  {"R/New/", ""},
                  {"R/top.txt", "new", t}});
    Comparison comparison;
    comparison.readWholeTrees = true;
    comparison.options.showVersions = 0;
    ASSERT_TRUE(comparison.CompareFolders(dir / "L", dir / "R", 0));
    const ReportInput fromTree = TreeReportInput(comparison.rootItem, dir / "L", dir / "R");
    const ReportInput collected = CollectReportInput(comparison.rootItem, dir / "L", dir / "R");
    ASSERT_GT(collected.rows.size(), 8u);
    EXPECT_TRUE(HasDifferenceRow(fromTree));
    EXPECT_TRUE(HasDifferenceRow(collected));
    // Each row's folder paths are its own, also where siblings alternate between the sides.
    std::vector<std::pair<std::string, std::string>> parents{{dir / "L", dir / "R"}};
    for (const ReportRow& row : collected.rows) {
        parents.resize(static_cast<size_t>(row.depth));
        const bool left =
            row.status != ReportStatus::RightOnly && row.status != ReportStatus::FolderRightOnly;
        const bool right =
            row.status != ReportStatus::LeftOnly && row.status != ReportStatus::FolderLeftOnly;
        EXPECT_EQ(row.leftPath, left ? parents.back().first : "") << row.name;
        EXPECT_EQ(row.rightPath, right ? parents.back().second : "") << row.name;
        if (row.isFolder) {
            const std::string& rightName = row.rightName.empty() ? row.name : row.rightName;
            parents.emplace_back(parents.back().first + "/" + row.name,
                                 parents.back().second + "/" + rightName);
        }
    }
    ReportOptions options;
    for (int index = 0; index < kReportContentCount; ++index) {
        for (int style = 0; style < kReportFileNameStyleCount; ++style) {
            EXPECT_EQ(Build(fromTree, options, index, style),
                      Build(collected, options, index, style))
                << "index " << index << " style " << style;
        }
    }
    const std::string text = Build(fromTree, options, 6, 1);
    EXPECT_NE(text.find("\n\ta.txt\tVersion: skipped\tTime: "), std::string::npos) << text;
    EXPECT_NE(text.find("\n\tb.txt\tVersion: skipped<->skipped\tTime: "), std::string::npos)
        << text;
}

// Writing in pieces gives the whole text's bytes in every encoding, to a file or a stream.
TEST(ReportStream, PiecesMatchWholeText) {
    TestDir dir;
    std::vector<ReportRow> rows;
    for (int i = 0; i < 10000; ++i) {
        rows.push_back(File((i % 100 == 0 ? "f\xC3\xA9\xE6\x97\xA5-" : "f-") + std::to_string(i) +
                                std::string(60, 'n'),
                            1, i % 3 == 0 ? ReportStatus::Different : ReportStatus::Same, "/L",
                            "/R"));
    }
    const ReportInput input = Rows(std::move(rows));
    const ReportOptions options;
    for (int encoding : {kEncAnsi, kEncUtf16Le, kEncUtf16Be, kEncUtf8}) {
        for (int index : {6, 7}) {
            const bool sheet = IsSpreadsheetIndex(index);
            const std::string whole = Build(input, options, index, 1);
            ASSERT_GT(whole.size(), 1u << 20);
            FILE* expected =
                OpenEncodedTextFile(dir / "expected", "w", ToTextEncoding(encoding), sheet);
            ASSERT_NE(expected, nullptr);
            ASSERT_GT(WriteEncodedText(expected, ToTextEncoding(encoding), whole), 0u);
            std::fclose(expected);
            std::remove((dir / "report").c_str());
            ASSERT_TRUE(
                sheet ? WriteSpreadsheetReport(input, options, dir / "report", index, encoding, 1)
                      : WriteTextReport(input, options, dir / "report", index, encoding, 1));
            EXPECT_EQ(dir.ReadFile("report"), dir.ReadFile("expected"))
                << "encoding " << encoding << " index " << index;
            FILE* stream = std::fopen((dir / "stream").c_str(), "wb");
            ASSERT_NE(stream, nullptr);
            EXPECT_TRUE(WriteReportToStream(input, options, stream, index, encoding, 1));
            std::fclose(stream);
            EXPECT_EQ(dir.ReadFile("stream"), dir.ReadFile("expected"));
        }
    }
}

// Rows formatted on several threads go out in the order of the rows: a tree of many runs of
// rows, with folders and every status, streams the bytes of the text built on one thread.
TEST(ReportStream, TreeRowsInOrderAcrossThreads) {
    DiffItem root;
    const FileStatus statuses[] = {StatusSame, StatusDifferent, StatusLeftOnly, StatusRightOnly};
    int serial = 0;
    for (int f = 0; f < 7; ++f) {
        auto* folder = NewDiffItem();
        folder->SetStatus(FolderBoth);
        folder->level = 1;
        folder->name = "folder" + std::to_string(f);
        folder->SetDir(kSideLeft, "/L");
        folder->SetDir(kSideRight, "/R");
        InsertOrMergeSorted({folder}, &root);
        std::vector<DiffItem*> files;
        for (int i = 0; i < 5000; ++i, ++serial) {
            auto* file = NewDiffItem();
            file->isFile = 1;
            file->SetStatus(statuses[serial % 4]);
            file->level = 2;
            file->name = "file" + std::to_string(serial);
            for (int side : {kSideLeft, kSideRight}) {
                if (file->FileState() != FileOnlyOn(1 - side)) {
                    file->SetDir(side,
                                 std::string(side == kSideLeft ? "/L/" : "/R/") + folder->name);
                    file->size[side] = static_cast<uint64_t>(serial * (side + 1));
                    file->mtime[side] = 1000000000 + serial;
                }
            }
            files.push_back(file);
        }
        InsertOrMergeSorted(std::move(files), folder);
    }
    const ReportInput input = TreeReportInput(&root, "/L", "/R");
    const ReportOptions options;
    TestDir dir;
    for (int index : {6, 7}) {
        const std::string whole = Build(input, options, index, 0);
        FILE* stream = std::fopen((dir / "stream").c_str(), "wb");
        ASSERT_NE(stream, nullptr);
        EXPECT_TRUE(WriteReportToStream(input, options, stream, index, kEncUtf8, 0));
        std::fclose(stream);
        const std::string streamed = dir.ReadFile("stream");
        ASSERT_GT(streamed.size(), 3u);
        // The spreadsheet starts with its mark. Compared whole: a diff of megabytes helps nobody.
        EXPECT_TRUE(streamed.substr(IsSpreadsheetIndex(index) ? 3 : 0) == whole)
            << "index " << index;
    }
}

}  // namespace
}  // namespace quillon
