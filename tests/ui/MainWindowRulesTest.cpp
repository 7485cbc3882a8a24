// The display rules of the main view that need no window: diluted colours, row text colours,
// the columns of a half and the texts of their cells.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include <QPushButton>

#include "core/DiffItem.h"
#include "support/TestDir.h"
#include "ui/CQuillonView.h"
#include "ui/CWhichViewQuestion.h"
#include "ui/DiffListModel.h"
#include "ui/ViewSettings.h"

namespace quillon {
namespace {

// Each channel is added on its own and saturates at 255 without spilling into its neighbour.
TEST(DiluteColor, AddsChannelsSeparately) {
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {
        {0x000000, kDiluteSame, 0x707070},      {0x009B00, kDiluteLeftOnly, 0x40DB40},
        {0xFF0000, kDiluteRightOnly, 0xFF6666}, {0x909090, 0x707070, 0xFFFFFF},
        {0x0000FF, 0x000001, 0x0000FF},         {0x01FF01, 0x000100, 0x01FF01}};
    for (const auto& [color, add, expected] : cases) {
        EXPECT_EQ(DiluteColor(color, add), expected) << std::hex << color << " + " << add;
    }
}

// Unselected rows take the status colours, folders faded only while the filter is on (and the
// diluted colours are wanted); selected rows use the fixed light colours on the highlight.
// Folder status 1 is right-only, not "different".
TEST(RowTextColor, StatusSelectionAndFilterDecide) {
    ViewSettings s;
    // status, selected, filter on, colour
    const std::tuple<ItemStatus, bool, bool, uint32_t> cases[] = {
        {StatusLeftOnly, false, true, 39680u},
        {FolderLeftOnly, false, false, 39680u},
        {FolderLeftOnly, false, true, DiluteColor(39680, kDiluteLeftOnly)},
        {FolderRightOnly, false, true, DiluteColor(16711680, kDiluteRightOnly)},
        {FolderBoth, false, true, 0x707070u},
        {StatusDifferent, true, false, 0xFF96FFu},
        {StatusLeftOnly, true, false, 0x96FFFFu},
        {FolderRightOnly, true, false, 0xFFFF96u},
        {FolderBoth, true, false, 0xEEEEEEu}};
    for (const auto& [status, selected, filtered, color] : cases) {
        EXPECT_EQ(RowTextColor(s, {status, selected, filtered}), color)
            << status.index() << " " << std::visit([](auto v) { return int(v); }, status) << " "
            << selected << " " << filtered;
    }
    s.useDilutedColor = false;
    EXPECT_EQ(RowTextColor(s, {FolderBoth, false, true}), 0u);
}

// The optional columns follow the settings; the name column takes the rest of the half.
TEST(ColumnsTest, EnabledColumnsAndWidths) {
    ViewSettings s;
    EXPECT_EQ(s.ColumnsPerSide(),
              (std::vector<ColumnKind>{ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}));
    s.fileVersion = 1;
    s.fileTimestamp = 0;
    EXPECT_EQ(s.ColumnsPerSide(), (std::vector<ColumnKind>{ColumnKind::kName, ColumnKind::kVersion,
                                                           ColumnKind::kSize}));
    EXPECT_EQ(s.OptionalWidth(ColumnKind::kTime), 75);
    s.detailTimestamp = 1;
    EXPECT_EQ(s.OptionalWidth(ColumnKind::kTime), 100);
}

// A file on both sides, as the scan leaves it.
std::unique_ptr<DiffItem> MakeFile(const char* name, time_t when) {
    std::unique_ptr<DiffItem> item(NewDiffItem());
    item->isFile = 1;
    item->SetStatus(StatusDifferent);
    item->level = 1;
    item->name = name;
    for (int side = 0; side < 2; ++side) {
        item->SetDir(side, side == 0 ? "/l" : "/r");
        item->mtime[side] = when;
        item->size[side] = 1234567;
    }
    return item;
}

// With only sizes shown each half is name + size, and the size column is right-aligned.
TEST(DiffListModelTest, SizeOnlyHalvesAreRightAligned) {
    DiffListModel model;
    ViewSettings s;
    s.fileTimestamp = 0;
    model.SetColumns(s.ColumnsPerSide(), false);
    EXPECT_EQ(model.columnCount(), 4);
    auto alignment = [&](int column) {
        return model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(3), int(Qt::AlignRight));
    EXPECT_EQ(alignment(0), int(Qt::AlignLeft));
    model.SetColumns({ColumnKind::kName, ColumnKind::kTime}, false);
    EXPECT_EQ(alignment(1), int(Qt::AlignLeft));
}

// The timestamp cell shows the date alone unless the detail setting asks for the time.
TEST(DiffListModelTest, TimestampCellFollowsTheDetailSetting) {
    std::unique_ptr<DiffItem> root(NewDiffItem());
    DiffItem* file = MakeFile("a.txt", ::quillon::test::LocalTime(2024, 3, 7, 14, 5)).release();
    InsertOrMerge(file, root.get());
    DiffListModel model;
    model.SetColumns({ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}, false);
    model.Fill(root.get());
    EXPECT_EQ(model.CellText(0, 1), "03/07/2024");
    EXPECT_EQ(model.CellText(0, 2), "1,234,567");
    EXPECT_EQ(model.CellText(0, 3), "a.txt");
    model.SetColumns({ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}, true);
    EXPECT_EQ(model.CellText(0, 4), "03/07/2024 14:05");
    model.Clear();
}

// Name-cell icons follow the status and the side that holds the entry.
TEST(DiffListModelTest, IconsFollowStatusAndSide) {
    auto file = MakeFile("a", 0);
    file->SetStatus(StatusLeftOnly);
    file->ClearSide(kSideRight);
    EXPECT_EQ(DiffListModel::IconFor(*file, kSideLeft), kIconFileLeftOnly);
    EXPECT_EQ(DiffListModel::IconFor(*file, kSideRight), kIconFileAbsent);
    file->SetStatus(StatusSame);
    EXPECT_EQ(DiffListModel::IconFor(*file, kSideRight), kIconFileSame);
    std::unique_ptr<DiffItem> folder(NewDiffItem());
    folder->SetDir(kSideRight, "/r");
    folder->SetStatus(FolderRightOnly);
    folder->expanded[kSideRight] = true;
    EXPECT_EQ(DiffListModel::IconFor(*folder, kSideLeft), kIconFolderAbsent);
    EXPECT_EQ(DiffListModel::IconFor(*folder, kSideRight), kIconFolderOpen);
}

// Extending a root path by a row name: ".." goes up, empty parts change nothing.
TEST(ExtendPathTest, DotDotAndEmptyParts) {
    EXPECT_EQ(ExtendPath("/a/b", ".."), "/a");
    EXPECT_EQ(ExtendPath("/a", ".."), "/");
    EXPECT_EQ(ExtendPath("rel", ".."), "rel");
    EXPECT_EQ(ExtendPath("", "c"), "");
    EXPECT_EQ(ExtendPath("/a", ""), "/a");
    EXPECT_EQ(ExtendPath("/", "x"), "/x");
}

// Without candidates there is no answer, with one the side is clear, with two the user decides.
TEST(SideQuestionTest, DialogOnlyForTwoCandidates) {
    SideCandidates none;
    EXPECT_EQ(SideWithoutDialog(none), -1);
    SideCandidates right;
    right.present[1] = true;
    EXPECT_EQ(SideWithoutDialog(right), 1);
    SideCandidates both;
    both.present[0] = both.present[1] = true;
    EXPECT_EQ(SideWithoutDialog(both), kAskUser);
    CWhichViewQuestion onlyRight(nullptr, "q", 0);
    EXPECT_FALSE(onlyRight.Button(0)->isEnabled() || onlyRight.Button(2)->isEnabled());
    EXPECT_TRUE(onlyRight.Button(1)->isEnabled());
    CWhichViewQuestion all(nullptr, "q", 7);
    EXPECT_TRUE(all.Button(0)->isEnabled() && all.Button(1)->isEnabled() &&
                all.Button(2)->isEnabled() && all.Button(-1)->isEnabled());
}

}  // namespace
}  // namespace quillon
