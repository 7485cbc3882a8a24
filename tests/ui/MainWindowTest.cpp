// The main window against real folder pairs: opening, the tree keys, the difference navigation,
// the double-ESC exit and the path boxes. Every change of rows is checked against the tree.
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/WindowFixture.h"
#include "ui/CDropCombo.h"
#include "ui/COptionsChange.h"

namespace quillon {
namespace {

class MainWindowTest : public test::WindowFixture {};

// Opening a pair shows one row per paired entry (names paired without regard to case), folders
// first, the list mirroring the tree. ENTER on a folder inserts its rows as one block (never a
// reset) and removes them again; Right opens a folder or steps into it, Left closes it or steps out
// to the parent; Ctrl+Right reads the whole subtree at once.
TEST_F(MainWindowTest, OpeningAndTreeKeys) {
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
    // Each key and the row it leaves current.
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
}

// Alt+Down/Up stop only at files that differ; Alt+Home/End jump to the first and last of them.
// Ctrl+Alt+Down counts one-sided folders only while "Include Folders to Diffs" is on. The keys are
// commands of the window: they move the list's selection from the path box too.
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

// ENTER on ".." opens the parents of both sides. A path without a separator, or the root, has
// nowhere to go: it stays as it is and so does the comparison on screen.
TEST_F(MainWindowTest, DotDotGoesUpOnBothSides) {
    dir_.MakeTree({{"L/sub/a.txt", "1"}, {"R/sub/a.txt", "1"}, {"L/top.txt", "t"}});
    MakeFrame();
    Open(dir_ / "L/sub", dir_ / "R/sub");
    ASSERT_EQ(RowOf(".."), 0);
    View().SelectOnly(0);
    Key(Qt::Key_Return);
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R");
    EXPECT_NE(RowOf("top.txt"), -1);
    EXPECT_EQ(Current(), 0);

    ScopedCwd cwd(dir_.Path());
    View().ResetComparison();
    Open("L/sub", "R");
    for (int up = 0; up < 2; ++up) {
        View().SelectOnly(0);
        Key(Qt::Key_Return);
        EXPECT_EQ(View().Doc().Path(0), "L") << up;
        EXPECT_EQ(View().Doc().Path(1), "R") << up;
        EXPECT_NE(RowOf("top.txt"), -1) << up;
    }

    View().ResetComparison();
    ASSERT_TRUE(frame_->OpenPath("/"));
    int rows = Model().RowCount();
    View().GoUp();
    EXPECT_EQ(View().Doc().Path(0), "/");
    EXPECT_EQ(Model().RowCount(), rows);
}

// Refresh shows a file that appeared; a rescan reads the pair afresh and keeps the row.
TEST_F(MainWindowTest, RefreshAndRescanFollowTheDisk) {
    dir_.MakeTree({{"L/A/x.txt", "1"}, {"R/A/x.txt", "1"}, {"L/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
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
}

// Two ESC in a row end the program; any key or folder read in between disarms the first.
TEST_F(MainWindowTest, DoubleEscExitsOnlyWithoutAnotherKeyBetween) {
    dir_.MakeTree({{"L/A/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
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
}

// Browsing opens the chosen folder on that side; the same folder again changes nothing. ENTER in
// the right box opens the typed folder on the right and remembers it; a typed path that is no
// folder, or a vanished folder picked from the box's list, is reported and the box shows the open
// folder again. A box takes a dropped folder, never a file. Reset forgets both folders and the
// rows.
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

// An entry on one side only needs no question; "Set as a Root" asks the side when both have the
// entry and opens that side's folder.
TEST_F(MainWindowTest, SetAsRootOpensTheChosenSide) {
    dir_.MakeTree(
        {{"L/Docs/in.txt", "1"}, {"R/Docs/in.txt", "1"}, {"L/OnlyL/", ""}, {"R/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    int asked = 0;
    frame_->SetSideChooser([&](const QString& question, int) {
        EXPECT_EQ(question.toStdString(), kSetAsRootQuestion);
        ++asked;
        return 1;
    });
    View().SelectOnly(RowOf("OnlyL"));
    EXPECT_EQ(frame_->AskWhichSide(3, true, true, kSetAsRootQuestion), 0);
    EXPECT_EQ(asked, 0);

    View().SelectOnly(RowOf("Docs"));
    frame_->SetAsRoot();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(View().Doc().Path(1), dir_ / "R/Docs");
    EXPECT_EQ(View().Doc().Path(0), dir_ / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R/Docs");
    // L is now compared with R/Docs: its in.txt stands alone on the right.
    ASSERT_NE(RowOf("in.txt"), -1);
    EXPECT_EQ(Row("in.txt")->FileState(), StatusRightOnly);
    ExpectConsistent();
}

// Closing stores the placement; the next frame comes back there with the folder list filled.
TEST_F(MainWindowTest, PlacementAndFolderListSurviveARestart) {
    dir_.MakeTree({{"L/", ""}, {"R/", ""}});
    MakeFrame();
    frame_->AddPathToCombo(dir_ / "L", 0);
    frame_->AddPathToCombo(dir_ / "R", 1);
    frame_->setGeometry(40, 50, 700, 420);
    frame_->close();
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

// The halves split the width evenly and the path boxes follow them; a narrow cell's tip shows
// what it cannot. A positive font size is read one way by the list and the preferences dialog.
TEST_F(MainWindowTest, HalvesTipsAndFont) {
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

    // The timestamp column's tip is the full time even though the cell shows the date only.
    dir_.MakeTree({{"L/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)},
                   {"R/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)}});
    Open(dir_ / "L", dir_ / "R");
    int row = RowOf("a.txt");
    View().setColumnWidth(1, 40);  // name, timestamp, size with the default columns
    EXPECT_EQ(View().TipText(Model().index(row, 1)).toStdString(), "03/07/2024 14:05");
    View().setColumnWidth(0, 4000);
    EXPECT_TRUE(View().TipText(Model().index(row, 0)).isEmpty());
}

}  // namespace
}  // namespace quillon
