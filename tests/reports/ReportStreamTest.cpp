#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Comparison.h"
#include "platform/FileText.h"
#include "reports/ReportOptions.h"
#include "reports/TextReport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::TestDir;

std::string Build(const ReportInput& input, const ReportOptions& options, int index, int style) {
    return IsSpreadsheetIndex(index) ? BuildSpreadsheetReport(input, options, index, style)
                                     : BuildTextReport(input, options, index, style);
}

// A report read from the tree while it is written reuses one row for every item: nothing of one
// row may leak into the next (a right spelling, one side's texts), so it says exactly what the
// copied rows say in every layout and name style. With versions off every file stores the
// not-read word, and the report copies it like any stored text, on one side and on both sides.
TEST(ReportFromTree, SameAsCollectedRows) {
    TestDir dir;
    const time_t t = test::LocalTime(2011, 2, 3, 4, 5);
    dir.MakeTree({{"L/Docs/a.txt", "same", t},
                  {"R/Docs/a.txt", "same", t},
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
    EXPECT_EQ(CountDifferenceRows(fromTree), CountDifferenceRows(collected));
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

// Many rows, some with non-ASCII names: far more text than one piece of the writer.
ReportInput LargeInput() {
    ReportInput in;
    in.leftRoot = "/L";
    in.rightRoot = "/R";
    for (int i = 0; i < 10000; ++i) {
        ReportRow row;
        row.name = (i % 100 == 0 ? "f\xC3\xA9\xE6\x97\xA5-" : "f-") + std::to_string(i) +
                   std::string(60, 'n');
        row.status = i % 3 == 0 ? ReportStatus::Different : ReportStatus::Same;
        row.leftPath = "/L";
        row.rightPath = "/R";
        row.leftTime = row.rightTime = "01/04/2010 12:34";
        row.leftSize = "1,024";
        row.rightSize = i % 3 == 0 ? "20" : "1,024";
        in.rows.push_back(row);
    }
    return in;
}

// Writing in pieces gives the bytes of the whole text encoded at once, in every encoding and
// both layouts; the stream form and the file form agree.
TEST(ReportStream, PiecesMatchWholeText) {
    TestDir dir;
    const ReportInput input = LargeInput();
    const ReportOptions options;
    for (int encoding : {kEncAnsi, kEncUtf16Le, kEncUtf16Be, kEncUtf8}) {
        for (int index : {6, 7}) {
            const bool sheet = IsSpreadsheetIndex(index);
            const std::string whole = Build(input, options, index, 1);
            ASSERT_GT(whole.size(), 1u << 20);
            const std::string expectedName = "expected" + std::to_string(encoding);
            FILE* expected =
                OpenEncodedTextFile(dir / expectedName, "w", ToTextEncoding(encoding), sheet);
            ASSERT_NE(expected, nullptr);
            ASSERT_GT(WriteEncodedText(expected, ToTextEncoding(encoding), whole), 0u);
            std::fclose(expected);

            const std::string name = "report" + std::to_string(encoding);
            ASSERT_TRUE(sheet
                            ? WriteSpreadsheetReport(input, options, dir / name, index, encoding, 1)
                            : WriteTextReport(input, options, dir / name, index, encoding, 1));
            EXPECT_EQ(dir.ReadFile(name), dir.ReadFile(expectedName))
                << "encoding " << encoding << " index " << index;

            FILE* stream = std::fopen((dir / "stream").c_str(), "wb");
            ASSERT_NE(stream, nullptr);
            EXPECT_TRUE(WriteReportToStream(input, options, stream, index, encoding, 1));
            std::fclose(stream);
            EXPECT_EQ(dir.ReadFile("stream"), dir.ReadFile(expectedName));
            std::remove((dir / name).c_str());
        }
    }
}

}  // namespace
}  // namespace quillon
