// The main window on real folder pairs, rows checked against the tree; the view's display rules.
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/COptionsChange.h"
#include "ui/CWhichViewQuestion.h"
#include "ui/ViewSettings.h"

namespace quillon {
namespace {

class MainWindowTest : public test::WindowFixture {};

// Case-blind pairs, folders first; tree keys edit rows in blocks; Set as a Root asks for pairs.
TEST_F(MainWindowTest, OpeningTreeKeysAndSetAsRoot) {
    dir_.MakeTree({{"L/Docs/a.txt", "one"},
                   {"L/Docs/Sub/deep.txt", "1"},
                   {"R/docs/b.txt", "two!"},
                   {"L/B/C/D/d.txt", "1"},
                   {"R/B/C/other.txt", "1"},
                   {"L/left.txt", "x"},
                   {"R/right.txt", "y"},
                   {"L/same.txt", "same"},
                   {"R/same.txt", "same"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    const std::vector<std::string> top = {"..", "B", "Docs", "left.txt", "right.txt", "same.txt"};
    EXPECT_EQ(Names(), top);
    ExpectConsistent();
    EXPECT_EQ(frame_->StatusPath(1)->text().toStdString(), dir_ / "R");
    EXPECT_EQ(Model().CellText(RowOf("left.txt"), Model().ColumnsPerSide()), "");
    EXPECT_EQ(Model().CellText(RowOf("right.txt"), Model().ColumnsPerSide()), "right.txt");

    QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&Model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&Model(), &QAbstractItemModel::modelReset);
    const int docs = RowOf("Docs");
    View().SelectOnly(docs);
    Key(Qt::Key_Return);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "B", "Docs", "Sub", "a.txt", "b.txt",
                                                 "left.txt", "right.txt", "same.txt"}));
    EXPECT_EQ(Current(), docs);
    for (const auto& [key, current] :
         std::vector<std::pair<int, const char*>>{{Qt::Key_Right, "Sub"},  // into the open folder
                                                  {Qt::Key_Right, "Sub"},  // opens it
                                                  {Qt::Key_Right, "deep.txt"},  // its first row
                                                  {Qt::Key_Right, "deep.txt"},  // a file: nothing
                                                  {Qt::Key_Left, "Sub"},
                                                  {Qt::Key_Left, "Sub"},  // closes it
                                                  {Qt::Key_Left, "Docs"}}) {
        Key(key);
        EXPECT_EQ(Current(), RowOf(current)) << current;
    }
    EXPECT_EQ(RowOf("deep.txt"), -1);
    ExpectConsistent();
    Key(Qt::Key_Return);
    EXPECT_EQ(Names(), top);
    EXPECT_FALSE(Model().ItemAt(docs)->expanded[0]);
    Key(Qt::Key_Left);  // top level: stays
    EXPECT_EQ(Current(), docs);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(removed.count(), 2);
    EXPECT_EQ(reset.count(), 0);

    View().SelectOnly(RowOf("B"));
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NE(RowOf("d.txt"), -1);
    EXPECT_NE(RowOf("other.txt"), -1);
    ExpectConsistent();

    int asked = 0;
    frame_->SetSideChooser([&](const QString& question, int) {
        EXPECT_EQ(question.toStdString(), kSetAsRootQuestion);
        ++asked;
        return 1;
    });
    View().SelectOnly(RowOf("left.txt"));
    EXPECT_EQ(frame_->AskWhichSide(3, true, true, kSetAsRootQuestion), 0);
    EXPECT_EQ(asked, 0);
    View().SelectOnly(RowOf("Docs"));
    frame_->SetAsRoot();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R/docs");
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R/docs");
    // L is now compared with R/docs: its b.txt stands alone on the right.
    ASSERT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(Row("b.txt")->FileState(), StatusRightOnly);
    ExpectConsistent();
}

// Alt+arrows visit differing files only, Ctrl+Alt one-sided folders too if asked; also from a box.
TEST_F(MainWindowTest, DifferenceKeysVisitDifferencesOnly) {
    dir_.MakeTree({{"L/OnlyL/f.txt", "1"},
                   {"L/Both/", ""},
                   {"R/Both/", ""},
                   {"L/a.txt", "same"},
                   {"R/a.txt", "same"},
                   {"L/b.txt", "left"},
                   {"L/c.txt", "c"},
                   {"R/c.txt", "cc"},
                   {"L/d.txt", "same"},
                   {"R/d.txt", "same"},
                   {"L/e.txt", "e"},
                   {"R/e.txt", "eee"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    ASSERT_EQ(Names(), (std::vector<std::string>{"..", "Both", "OnlyL", "a.txt", "b.txt", "c.txt",
                                                 "d.txt", "e.txt"}));
    const Qt::KeyboardModifiers any = Qt::ControlModifier | Qt::AltModifier;
    View().SelectOnly(0);
    for (const auto& [key, mods, stop] :
         std::vector<std::tuple<int, Qt::KeyboardModifiers, const char*>>{
             {Qt::Key_Down, Qt::AltModifier, "c.txt"},
             {Qt::Key_Down, Qt::AltModifier, "e.txt"},
             {Qt::Key_Down, Qt::AltModifier, "e.txt"},  // nothing further: the selection stays
             {Qt::Key_Up, Qt::AltModifier, "c.txt"},
             {Qt::Key_End, Qt::AltModifier, "e.txt"},
             {Qt::Key_Home, Qt::AltModifier, "c.txt"}}) {
        Key(key, mods);
        EXPECT_EQ(Current(), RowOf(stop)) << stop;
    }
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("c.txt")});

    View().SelectOnly(0);
    frame_->IncludeFoldersAction()->setChecked(true);
    Key(Qt::Key_Down, any);
    EXPECT_EQ(Current(), RowOf("OnlyL"));
    Key(Qt::Key_Down, any);
    EXPECT_EQ(Current(), RowOf("b.txt"));

    frame_->IncludeFoldersAction()->setChecked(false);
    View().SelectOnly(0);
    Key(Qt::Key_Down, any);
    EXPECT_EQ(Current(), RowOf("b.txt"));
    Key(Qt::Key_Up, any);
    EXPECT_EQ(Current(), RowOf("b.txt"));  // the folder does not count on the way back either

    View().SelectOnly(0);
    QLineEdit* edit = frame_->Combo(0)->lineEdit();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("c.txt"));
    QTest::keyClick(edit, Qt::Key_End, any);
    EXPECT_EQ(Current(), RowOf("e.txt"));
}

struct ScopedCwd {
    explicit ScopedCwd(const std::string& path) { std::filesystem::current_path(path); }
    ~ScopedCwd() { std::filesystem::current_path(old); }
    const std::filesystem::path old = std::filesystem::current_path();
};

// ".." opens both parents, a side without a separator stays; refresh and rescan follow the disk.
TEST_F(MainWindowTest, DotDotRefreshAndRescan) {
    dir_.MakeTree({{"L/A/x.txt", "1"}, {"R/A/x.txt", "1"}, {"L/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L/A", dir_ / "R/A");
    ASSERT_EQ(RowOf(".."), 0);
    View().SelectOnly(0);
    Key(Qt::Key_Return);
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R");
    EXPECT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(Current(), 0);
    View().ToggleFolder(RowOf("A"), false);
    dir_.WriteFile("R/A/new.txt", "n");
    dir_.WriteFile("R/b.txt", "other");
    View().SelectOnly(RowOf("b.txt"));
    View().Doc().GetRefresh().AutoRefresh();
    ASSERT_NE(RowOf("new.txt"), -1);
    EXPECT_EQ(Row("new.txt")->FileState(), StatusRightOnly);
    EXPECT_EQ(Row("b.txt")->FileState(), StatusDifferent);
    ExpectConsistent();
    ::unlink((dir_ / "L/A/x.txt").c_str());
    ::unlink((dir_ / "R/A/x.txt").c_str());
    View().Doc().GetRefresh().AutoRefresh();
    EXPECT_EQ(RowOf("x.txt"), -1);
    ExpectConsistent();
    int selected = View().SelectedRow();
    View().Doc().GetRefresh().ReloadComparison();
    EXPECT_EQ(RowOf("new.txt"), -1);  // a fresh read shows A collapsed
    // b.txt sat in row 3, which a collapsed A no longer reaches: the last row is selected.
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(View().SelectedRow(), 2);
    ExpectConsistent();
    ScopedCwd cwd(dir_.Path());
    View().ResetComparison();
    Open("L/A", "R");
    for (int up = 0; up < 2; ++up) {
        View().SelectOnly(0);
        Key(Qt::Key_Return);
        EXPECT_EQ(View().Doc().Path(0), "L") << up;
        EXPECT_EQ(View().Doc().Path(1), "R") << up;
        EXPECT_NE(RowOf("b.txt"), -1) << up;
    }
}

// Browse, typed and picked paths open that side or are reported; drops take folders; Reset clears.
TEST_F(MainWindowTest, PathBoxesBrowseAndReset) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}, {"R2/b.txt", "1"}, {"Gone/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    QStringList titles;
    QString answer = QString::fromStdString(dir_ / "R2");
    frame_->SetFolderChooser([&](const QString& title, const QString& start) {
        titles << title << start;
        return answer;
    });
    frame_->BrowseFolder(1);
    EXPECT_EQ(titles.value(0).toStdString(), "Select the SECOND folder.");
    EXPECT_EQ(titles.value(1).toStdString(), dir_ / "R");
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R2");
    EXPECT_NE(RowOf("b.txt"), -1);
    CDropCombo* right = frame_->Combo(1);
    EXPECT_EQ(right->currentText().toStdString(), dir_ / "R2");
    answer = QString::fromStdString(dir_ / "L");
    frame_->BrowseFolder(0);
    EXPECT_EQ(titles.value(2).toStdString(), "Select the FIRST folder.");
    EXPECT_EQ(frame_->Combo(0)->count(), 0);  // unchanged folder: nothing added

    right->setEditText(QString::fromStdString(dir_ / "R"));
    QTest::keyClick(right->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(RowOf("b.txt"), -1);
    EXPECT_EQ(right->itemText(0).toStdString(), dir_ / "R");
    EXPECT_EQ(Mru(settings::kMruDir2Open).back(), dir_ / "R");

    std::string missing = dir_ / "nothing-here";
    right->setEditText(QString::fromStdString(missing));
    QTest::keyClick(right->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "The following folder no longer exists:\n\t\"" + missing + "\"");
    EXPECT_EQ(right->currentText().toStdString(), dir_ / "R");

    frame_->AddPathToCombo(dir_ / "Gone", 0);
    frame_->AddPathToCombo(dir_ / "L", 0);
    ::rmdir((dir_ / "Gone").c_str());
    CDropCombo* left = frame_->Combo(0);
    ASSERT_EQ(left->itemText(1).toStdString(), dir_ / "Gone");
    left->RememberCurrent();
    left->setCurrentIndex(1);
    frame_->OnComboChosen(0, 1);
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[1].text,
              "The following folder no longer exists:\n" + (dir_ / "Gone"));
    EXPECT_EQ(left->currentText().toStdString(), dir_ / "L");

    EXPECT_FALSE(left->AcceptDroppedPaths({dir_ / "L/a.txt"}));
    ASSERT_EQ(prompter_.shown.size(), 3u);
    EXPECT_EQ(prompter_.shown[2].text,
              "The dropped item is a file.\nSince only folder is accepted, it will be ignored.");
    EXPECT_TRUE(left->AcceptDroppedPaths({dir_ / "R2", dir_ / "L/a.txt"}));
    EXPECT_EQ(left->currentText().toStdString(), dir_ / "R2");
    EXPECT_EQ(prompter_.shown.size(), 3u);

    View().ResetComparison();
    EXPECT_EQ(Model().RowCount(), 0);
    EXPECT_TRUE(View().Doc().Path(0).empty() && View().Doc().Path(1).empty());
    EXPECT_TRUE(frame_->StatusPath(1)->text().isEmpty());
}

// Even halves, tips of narrow cells, one font reading, double ESC, and placement kept on close.
TEST_F(MainWindowTest, HalvesTipsEscAndPlacement) {
    store_.WriteProfileInt("Settings", "FontSize", 16);
    MakeFrame();
    EXPECT_EQ(View().font().pixelSize(), ListFontFromSettings(View().Settings()).pixelSize());
    frame_->resize(1000, 500);
    QApplication::processEvents();
    int half = View().HalfWidth();
    EXPECT_EQ(half, View().viewport()->width() / 2);
    int leftTotal = 0;
    for (int c = 0; c < Model().ColumnsPerSide(); ++c) {
        leftTotal += View().columnWidth(c);
    }
    EXPECT_EQ(leftTotal, half);
    EXPECT_EQ(View().columnWidth(0), View().columnWidth(Model().ColumnsPerSide()));
    EXPECT_EQ(frame_->Combo(0)->width(), half);

    dir_.MakeTree({{"L/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)},
                   {"R/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)},
                   {"L/A/x.txt", "1"}});
    Open(dir_ / "L", dir_ / "R");
    int row = RowOf("a.txt");
    View().setColumnWidth(1, 40);  // name, timestamp, size with the default columns
    EXPECT_EQ(View().TipText(Model().index(row, 1)).toStdString(), "03/07/2024 14:05");
    View().setColumnWidth(0, 4000);
    EXPECT_TRUE(View().TipText(Model().index(row, 0)).isEmpty());

    frame_->AddPathToCombo(dir_ / "L", 0);
    frame_->AddPathToCombo(dir_ / "R", 1);
    frame_->setGeometry(40, 50, 700, 420);
    QSignalSpy exit(&View(), &CQuillonView::exitRequested);
    Key(Qt::Key_Escape);
    View().ToggleFolder(RowOf("A"), false);
    EXPECT_FALSE(View().EscArmed());
    Key(Qt::Key_Escape);
    EXPECT_TRUE(View().EscArmed());
    Key(Qt::Key_A);
    EXPECT_FALSE(View().EscArmed());
    Key(Qt::Key_Escape);
    EXPECT_EQ(exit.count(), 0);
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    Key(Qt::Key_Escape);
    EXPECT_EQ(exit.count(), 0);
    Key(Qt::Key_Escape);
    EXPECT_EQ(exit.count(), 1);
    EXPECT_FALSE(frame_->isVisible());
    auto placement = store_.LoadWindowPlacement();
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->right - placement->left, 700);
    EXPECT_EQ(placement->bottom - placement->top, 420);

    CMainFrame second(&store_, &prompter_);
    second.ShowWithSavedPlacement();
    EXPECT_EQ(second.geometry().size(), QSize(700, 420));
    for (int side = 0; side < 2; ++side) {
        ASSERT_EQ(second.Combo(side)->count(), 2);
        EXPECT_EQ(second.Combo(side)->itemText(0).toStdString(), dir_ / "R");  // newest on top
        EXPECT_TRUE(second.Combo(side)->currentText().isEmpty());
    }
}

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

// Status colours, folders faded only under the filter; fixed light colours when selected.
TEST(RowTextColor, StatusSelectionAndFilterDecide) {
    ViewSettings s;
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

// Columns follow the settings, sizes align right, time shows when asked; icons follow the side.
TEST(DiffListModelTest, ColumnsCellsAndIcons) {
    ViewSettings s;
    EXPECT_EQ(s.ColumnsPerSide(),
              (std::vector<ColumnKind>{ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}));
    EXPECT_EQ(s.OptionalWidth(ColumnKind::kTime), 75);
    s.detailTimestamp = 1;
    EXPECT_EQ(s.OptionalWidth(ColumnKind::kTime), 100);
    s.fileVersion = 1;
    s.fileTimestamp = 0;
    EXPECT_EQ(s.ColumnsPerSide(), (std::vector<ColumnKind>{ColumnKind::kName, ColumnKind::kVersion,
                                                           ColumnKind::kSize}));
    s.fileVersion = 0;
    DiffListModel model;
    model.SetColumns(s.ColumnsPerSide(), false);
    EXPECT_EQ(model.columnCount(), 4);
    auto alignment = [&](int column) {
        return model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
               Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(alignment(3), int(Qt::AlignRight));
    EXPECT_EQ(alignment(0), int(Qt::AlignLeft));
    std::unique_ptr<DiffItem> root(NewDiffItem());
    InsertOrMerge(MakeFile("a.txt", test::LocalTime(2024, 3, 7, 14, 5)).release(), root.get());
    model.SetColumns({ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}, false);
    EXPECT_EQ(alignment(1), int(Qt::AlignLeft));
    model.Fill(root.get());
    EXPECT_EQ(model.CellText(0, 1), "03/07/2024");
    EXPECT_EQ(model.CellText(0, 2), "1,234,567");
    EXPECT_EQ(model.CellText(0, 3), "a.txt");
    model.SetColumns({ColumnKind::kName, ColumnKind::kTime, ColumnKind::kSize}, true);
    EXPECT_EQ(model.CellText(0, 4), "03/07/2024 14:05");
    model.Clear();
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
    EXPECT_EQ(ExtendPath("/", ".."), "/");
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
