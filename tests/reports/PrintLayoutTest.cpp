#include "reports/PrintLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

// Every character is 5 units wide, a line 10 high: a row is 14, so is the footer strip.
class FixedMeasurer : public TextMeasurer {
  public:
    double Width(std::string_view text) const override {
        double chars = 0;
        for (unsigned char c : text) {
            chars += (c & 0xC0) != 0x80 ? 1 : 0;
        }
        return 5 * chars;
    }
    double LineHeight() const override { return 10; }
};

ReportRow Row(const std::string& name, ReportStatus status, int depth = 1) {
    ReportRow row;
    row.isFolder = status >= ReportStatus::FolderBoth && status <= ReportStatus::FolderRightOnly;
    row.name = name;
    row.depth = depth;
    row.status = status;
    const bool left = status != ReportStatus::RightOnly && status != ReportStatus::FolderRightOnly;
    const bool right = status != ReportStatus::LeftOnly && status != ReportStatus::FolderLeftOnly;
    row.leftPath = left ? "/L" : "";
    row.rightPath = right ? "/R" : "";
    if (!row.isFolder) {
        row.leftTime = left ? "01/04/2010 12:34" : "";
        row.rightTime = right ? "01/05/2010 08:00" : "";
        row.leftSize = left ? "1,024" : "";
        row.rightSize = right ? "20" : "";
    }
    return row;
}

ReportInput Input(std::vector<ReportRow> rows) {
    ReportInput input;
    input.leftRoot = "/L";
    input.rightRoot = "/R";
    input.rows = std::move(rows);
    return input;
}

PrintSetup PageSetup(double width, double height, PrintRows rows = PrintRows::All) {
    PrintSetup setup;
    setup.pageWidth = width;
    setup.pageHeight = height;
    setup.rows = rows;
    setup.preparedAt.tm_year = 2026 - 1900;
    setup.preparedAt.tm_mon = 0;
    setup.preparedAt.tm_mday = 4;
    setup.preparedAt.tm_hour = 9;
    setup.preparedAt.tm_min = 5;
    setup.preparedAt.tm_sec = 7;
    return setup;
}

// Per page, the texts of its lines (the name cells of both panes, joined by "|").
std::vector<std::vector<std::string>> PageTexts(const PrintLayout& layout) {
    std::vector<std::vector<std::string>> pages;
    layout.ForEachPage([&](const PrintPage& page) {
        EXPECT_EQ(page.number, static_cast<int>(pages.size()) + 1);
        pages.emplace_back();
        for (const PrintLine& line : page.lines) {
            std::string text;
            for (const PrintCell& cell : line.cells) {
                text += (text.empty() ? "" : "|") + cell.text;
            }
            pages.back().push_back(text);
        }
        return true;
    });
    return pages;
}

std::vector<ReportRow> Numbered(int count) {
    std::vector<ReportRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.push_back(Row("f" + std::to_string(i), ReportStatus::LeftOnly));
    }
    return rows;
}

// Rows fill pages in list order; the page height decides how many; an empty list is one page.
TEST(PrintLayoutTest, RowsPerPageAndPageSplit) {
    struct Case {
        int rows;
        double height;
        int perPage;
        std::vector<size_t> pageSizes;
    } cases[] = {
        {0, 105, 5, {0}},     {5, 105, 5, {5}},     {6, 105, 5, {5, 1}},
        {10, 105, 5, {5, 5}}, {11, 119, 6, {6, 5}}, {3, 20, 1, {1, 1, 1}},
    };
    FixedMeasurer measure;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows, height " + std::to_string(c.height));
        ReportInput input = Input(Numbered(c.rows));
        PrintLayout layout(input, PageSetup(400, c.height), measure);
        EXPECT_EQ(layout.RowsPerPage(), c.perPage);
        EXPECT_EQ(layout.PageCount(), static_cast<int>(c.pageSizes.size()));
        auto pages = PageTexts(layout);
        ASSERT_EQ(pages.size(), c.pageSizes.size());
        int next = 0;
        for (size_t p = 0; p < pages.size(); ++p) {
            ASSERT_EQ(pages[p].size(), c.pageSizes[p]);
            for (const std::string& text : pages[p]) {
                EXPECT_EQ(text.substr(0, text.find('|')), "f" + std::to_string(next++));
            }
        }
    }
}

// The three choices of rows; ".." never prints.
TEST(PrintLayoutTest, RowsOfEachMode) {
    std::vector<ReportRow> rows = {
        Row("..", ReportStatus::FolderBoth),     Row("d", ReportStatus::FolderBoth),
        Row("same", ReportStatus::Same, 2),      Row("diff", ReportStatus::Different, 2),
        Row("lo", ReportStatus::LeftOnly),       Row("ro", ReportStatus::RightOnly),
        Row("dl", ReportStatus::FolderLeftOnly),
    };
    struct Case {
        PrintRows mode;
        std::vector<std::string> names;
    } cases[] = {
        {PrintRows::All, {"d/", "same", "diff", "lo", "ro", "dl/"}},
        {PrintRows::OnlyDifferent, {"diff"}},
        {PrintRows::AllButSame, {"d/", "diff", "lo", "ro", "dl/"}},
    };
    FixedMeasurer measure;
    ReportInput input = Input(rows);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        PrintLayout layout(input, PageSetup(600, 400, c.mode), measure);
        std::vector<std::string> names;
        const auto pages = PageTexts(layout);
        for (const std::string& text : pages.at(0)) {
            names.push_back(text.substr(0, text.find('|')));
        }
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(layout.RowCount(), static_cast<int>(c.names.size()));
    }
}

// Status colours: red, green, blue on the numbers with red in the lowest byte; black otherwise.
TEST(PrintLayoutTest, ColoursByStatus) {
    std::vector<ReportRow> rows;
    for (ReportStatus status : {ReportStatus::Same, ReportStatus::Different, ReportStatus::LeftOnly,
                                ReportStatus::RightOnly, ReportStatus::FolderBoth,
                                ReportStatus::FolderLeftOnly, ReportStatus::FolderRightOnly}) {
        rows.push_back(Row("x", status));
    }
    FixedMeasurer measure;
    ReportInput input = Input(rows);
    std::vector<uint32_t> colors;
    PrintLayout(input, PageSetup(600, 400), measure).ForEachPage([&](const PrintPage& page) {
        for (const PrintLine& line : page.lines) {
            colors.push_back(line.color);
        }
        return true;
    });
    EXPECT_EQ(colors, (std::vector<uint32_t>{0, 255, 39680, 16711680, 0, 39680, 16711680}));
}

// Cutting keeps whole characters and leaves room for the ellipsis; what fits stays whole.
TEST(PrintLayoutTest, FitTextCutsToTheWidth) {
    struct Case {
        std::string text;
        double width;
        std::string fitted;
    } cases[] = {
        {"abcdef", 30, "abcdef"},    {"abcdef", 29, "ab..."},
        {"abcdef", 20, "a..."},      {"abcdef", 15, "..."},
        {"abcdef", 14, ""},          {"αβγδεζ", 25, "αβ..."},
        {"Жжжжжжжжж", 30, "Жжж..."}, {"", 0, ""},
    };
    FixedMeasurer measure;
    for (const Case& c : cases) {
        EXPECT_EQ(FitText(c.text, c.width, measure), c.fitted) << c.text << " in " << c.width;
    }
}

// A name wider than its half is cut; what is needed is both halves at their widest row.
TEST(PrintLayoutTest, WidthNeededAndTruncatedNames) {
    FixedMeasurer measure;
    std::string longName(40, 'n');  // 200 units
    ReportInput input =
        Input({Row("short", ReportStatus::Same), Row(longName, ReportStatus::Same, 3)});
    PrintSetup setup = PageSetup(300, 400);
    setup.columns = {PrintColumn::Size};
    PrintLayout narrow(input, setup, measure);
    // Name: 2 indents of 10 + 200 + 4 padding; size: "1,024" 25 + 4.
    EXPECT_DOUBLE_EQ(narrow.NeededWidth(), 2 * (224 + 29));
    EXPECT_FALSE(narrow.FitsWidth());
    auto pages = PageTexts(narrow);
    const std::string cut = pages.at(0).at(1);
    // The half is 150 wide: name column 121, indent 20, text room 97 = 19 characters with "...".
    EXPECT_EQ(cut.substr(0, cut.find('|')), std::string(16, 'n') + "...");

    setup.pageWidth = 506;
    PrintLayout wide(input, setup, measure);
    EXPECT_TRUE(wide.FitsWidth());
    pages = PageTexts(wide);
    EXPECT_EQ(pages.at(0).at(1), longName + "|1,024|" + longName + "|20");
}

// The footer: product, address and page number on the left, the preparation time on the right.
TEST(PrintLayoutTest, FooterTexts) {
    FixedMeasurer measure;
    ReportInput input = Input(Numbered(6));
    PrintLayout layout(input, PageSetup(400, 105), measure);
    std::vector<std::string> lefts, rights;
    layout.ForEachPage([&](const PrintPage& page) {
        lefts.push_back(page.footerLeft);
        rights.push_back(page.footerRight);
        return true;
    });
    const std::string start = std::string("Generated by Quillon (") + kProductWebAddress + ")";
    EXPECT_EQ(lefts, (std::vector<std::string>{start + "     Page : 1", start + "     Page : 2"}));
    EXPECT_EQ(rights, (std::vector<std::string>(2, "01/04/2026  09:05:07")));
}

// Value columns sit right of the name in each half; only the size aligns right; the time is a
// date unless the time of day is asked for.
TEST(PrintLayoutTest, ColumnsOfBothPanes) {
    FixedMeasurer measure;
    ReportInput input = Input({Row("a", ReportStatus::Different)});
    PrintSetup setup = PageSetup(400, 400);
    setup.columns = {PrintColumn::Time, PrintColumn::Size};
    for (bool detail : {false, true}) {
        setup.detailTimestamp = detail;
        PrintLayout layout(input, setup, measure);
        const PrintGeometry& g = layout.Geometry();
        ASSERT_EQ(g.columnEdges.size(), 7u);
        EXPECT_DOUBLE_EQ(g.columnEdges[3], 200);
        layout.ForEachPage([&](const PrintPage& page) {
            const std::vector<PrintCell>& cells = page.lines.at(0).cells;
            EXPECT_EQ(cells.size(), 6u);
            EXPECT_EQ(cells[1].text, detail ? "01/04/2010 12:34" : "01/04/2010");
            EXPECT_EQ(cells[4].text, detail ? "01/05/2010 08:00" : "01/05/2010");
            for (size_t i = 0; i < cells.size(); ++i) {
                EXPECT_DOUBLE_EQ(cells[i].x, g.columnEdges[i]);
                EXPECT_EQ(cells[i].alignRight, i % 3 == 2);
            }
            return true;
        });
    }
}

}  // namespace
}  // namespace quillon
