// The main window against real folder pairs: opening, the tree keys, the difference navigation,
// the double-ESC exit and the path boxes. Every change of rows is checked against the tree.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "ListRows.h"
#include "core/DiffItem.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/TempConfigEnv.h"
#include "support/TestDir.h"
#include "ui/CDropCombo.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"
#include "ui/DiffListModel.h"
#include "ui/DiffRowDelegate.h"

namespace quillon {
namespace {

using test::FakePrompter;
using test::TempConfigEnv;
using test::TestDir;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry_ = std::make_unique<RegistryStore>(RegistryStore::FolderFromEnvironment());
        store_ = std::make_unique<SettingsStore>(*registry_);
    }

    CMainFrame& MakeFrame() {
        frame_ = std::make_unique<CMainFrame>(store_.get(), &prompter_);
        frame_->resize(900, 500);
        frame_->show();
        // The window's shortcuts apply only while it is the active one.
        QApplication::setActiveWindow(frame_.get());
        return *frame_;
    }
    CQuillonView& View() { return *frame_->View(); }
    DiffListModel& Model() { return View().Model(); }

    void Open(const std::string& left, const std::string& right) {
        ASSERT_TRUE(frame_->OpenPath(left));
        ASSERT_TRUE(frame_->OpenPath(right));
    }
    // The shown name of every row, left spelling first.
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (DiffItem* item : Model().Rows()) {
            names.push_back(item->name);
        }
        return names;
    }
    int RowOf(const std::string& name) { return test::RowOfName(Model(), name); }
    int Current() { return View().currentIndex().row(); }
    void ExpectConsistent() {
        std::string why;
        EXPECT_TRUE(Model().IsConsistent(View().GetComparison().rootItem, &why)) << why;
        EXPECT_EQ(Model().rowCount(), static_cast<int>(Model().Rows().size()));
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&View(), static_cast<Qt::Key>(key), mods);
    }

    TempConfigEnv env_;
    TestDir dir_;
    FakePrompter prompter_;
    std::unique_ptr<RegistryStore> registry_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<CMainFrame> frame_;
};

// Opening a pair shows one row per paired entry, folders first, with the list mirroring the tree.
TEST_F(MainWindowTest, OpeningAPairFillsRowsInTreeOrder) {
    dir_.MakeTree({{"L/Docs/a.txt", "one"},
                   {"L/same.txt", "same"},
                   {"L/left.txt", "x"},
                   {"R/docs/a.txt", "two!"},
                   {"R/same.txt", "same"},
                   {"R/right.txt", "y"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"..", "Docs", "left.txt", "right.txt", "same.txt"}));
    ExpectConsistent();
    EXPECT_EQ(frame_->StatusPath(0)->text().toStdString(), dir_ / "L");
    EXPECT_EQ(frame_->StatusPath(1)->text().toStdString(), dir_ / "R");
    EXPECT_EQ(Model().CellText(RowOf("left.txt"), Model().ColumnsPerSide()), "");
    EXPECT_EQ(Model().CellText(RowOf("right.txt"), Model().ColumnsPerSide()), "right.txt");
}

// ENTER on a folder inserts its rows as one block (never a reset); ENTER again removes them.
TEST_F(MainWindowTest, EnterExpandsAndCollapsesAFolderAsOneBlock) {
    dir_.MakeTree({{"L/Docs/a.txt", "1"},
                   {"L/Docs/Sub/deep.txt", "1"},
                   {"L/z.txt", "1"},
                   {"R/Docs/b.txt", "2"},
                   {"R/z.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    QSignalSpy inserted(&Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&Model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&Model(), &QAbstractItemModel::modelReset);
    int docs = RowOf("Docs");
    View().SelectOnly(docs);
    Key(Qt::Key_Return);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Docs", "Sub", "a.txt", "b.txt", "z.txt"}));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(Current(), docs);
    ExpectConsistent();

    View().SelectOnly(RowOf("Sub"));
    Key(Qt::Key_Return);
    EXPECT_EQ(RowOf("deep.txt"), RowOf("Sub") + 1);
    ExpectConsistent();

    View().SelectOnly(docs);
    Key(Qt::Key_Return);
    EXPECT_EQ(Names(), (std::vector<std::string>{"..", "Docs", "z.txt"}));
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_FALSE(Model().ItemAt(docs)->expanded[0]);
    ExpectConsistent();
}

// Right opens a folder or steps into it; Left steps out to the parent or closes the folder.
TEST_F(MainWindowTest, ArrowKeysWalkTheTree) {
    dir_.MakeTree({{"L/A/x.txt", "1"}, {"L/A/y.txt", "1"}, {"R/A/x.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    int a = RowOf("A");
    View().SelectOnly(a);
    Key(Qt::Key_Right);
    EXPECT_EQ(RowOf("x.txt"), a + 1);
    EXPECT_EQ(Current(), a);
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), a + 1);
    Key(Qt::Key_Right);  // a file: nothing
    EXPECT_EQ(Current(), a + 1);
    Key(Qt::Key_Left);
    EXPECT_EQ(Current(), a);
    Key(Qt::Key_Left);
    EXPECT_EQ(RowOf("x.txt"), -1);
    Key(Qt::Key_Left);  // top level: stays
    EXPECT_EQ(Current(), a);
    ExpectConsistent();
}

// Ctrl+Right reads the whole subtree at once.
TEST_F(MainWindowTest, CtrlRightExpandsTheWholeSubtree) {
    dir_.MakeTree({{"L/A/B/C/deep.txt", "1"}, {"R/A/B/other.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().SelectOnly(RowOf("A"));
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_NE(RowOf("deep.txt"), -1);
    EXPECT_NE(RowOf("other.txt"), -1);
    ExpectConsistent();
}

class NavigationTest : public MainWindowTest {
  protected:
    // Rows: "..", OnlyL/ (left only), Both/, a.txt (same), b.txt (left only), c.txt (different),
    // d.txt (same), e.txt (different).
    void SetUp() override {
        MainWindowTest::SetUp();
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
        ASSERT_EQ(Names(), (std::vector<std::string>{"..", "Both", "OnlyL", "a.txt", "b.txt",
                                                     "c.txt", "d.txt", "e.txt"}));
    }
};

// Alt+Down/Up stop only at files that differ; Alt+Home/End jump to the first and last of them.
TEST_F(NavigationTest, AltArrowsVisitDifferentFilesOnly) {
    View().SelectOnly(0);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("c.txt"));
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("e.txt"));
    Key(Qt::Key_Down, Qt::AltModifier);  // nothing further: the selection stays
    EXPECT_EQ(Current(), RowOf("e.txt"));
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("c.txt"));
    Key(Qt::Key_End, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("e.txt"));
    Key(Qt::Key_Home, Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("c.txt"));
    EXPECT_EQ(View().SelectedRows(), std::vector<int>{RowOf("c.txt")});
}

// Ctrl+Alt+Down counts one-sided folders only while "Include Folders to Diffs" is on.
TEST_F(NavigationTest, AnyDiffHonoursIncludeFolders) {
    View().SelectOnly(0);
    frame_->IncludeFoldersAction()->setChecked(true);
    Key(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("OnlyL"));
    Key(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("b.txt"));

    frame_->IncludeFoldersAction()->setChecked(false);
    EXPECT_EQ(store_->GetProfileInt("Settings", "IncludeFoldersForDiffs", -1), 0);
    View().SelectOnly(0);
    Key(Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("b.txt"));
    Key(Qt::Key_Up, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("b.txt"));  // the folder does not count on the way back either
    Key(Qt::Key_End, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(Current(), RowOf("e.txt"));
}

// ENTER on ".." opens the parents of both sides.
TEST_F(MainWindowTest, DotDotGoesUpOnBothSides) {
    dir_.MakeTree({{"L/sub/a.txt", "1"}, {"R/sub/a.txt", "1"}, {"L/top.txt", "t"}});
    MakeFrame();
    Open(dir_ / "L/sub", dir_ / "R/sub");
    ASSERT_EQ(RowOf(".."), 0);
    View().SelectOnly(0);
    Key(Qt::Key_Return);
    EXPECT_EQ(View().Path(0), dir_ / "L");
    EXPECT_EQ(View().Path(1), dir_ / "R");
    EXPECT_NE(RowOf("top.txt"), -1);
    EXPECT_EQ(Current(), 0);
    ExpectConsistent();
}

// The root has nowhere to go: ".." there changes nothing.
TEST_F(MainWindowTest, DotDotAtTheRootDoesNothing) {
    MakeFrame();
    View().SetNextSide(0);
    ASSERT_TRUE(frame_->OpenPath("/"));
    int rows = Model().RowCount();
    View().GoUp();
    EXPECT_EQ(View().Path(0), "/");
    EXPECT_EQ(Model().RowCount(), rows);
}

// Opened folders fill left, right, then left again; each open compares the current pair.
TEST_F(MainWindowTest, OpenedFoldersAlternateSides) {
    dir_.MakeTree({{"A/a.txt", "1"}, {"B/b.txt", "1"}, {"C/c.txt", "1"}});
    MakeFrame();
    ASSERT_TRUE(frame_->OpenPath(dir_ / "A/"));
    EXPECT_EQ(View().Path(0), dir_ / "A");
    EXPECT_EQ(View().NextSide(), 1);
    ASSERT_TRUE(frame_->OpenPath(dir_ / "B"));
    EXPECT_EQ(View().NextSide(), 2);
    ASSERT_TRUE(frame_->OpenPath(dir_ / "C"));
    EXPECT_EQ(View().Path(0), dir_ / "C");
    EXPECT_EQ(View().Path(1), dir_ / "B");
    EXPECT_NE(RowOf("c.txt"), -1);
    EXPECT_EQ(RowOf("a.txt"), -1);
}

// ENTER on a file hands the path of every side that has it to the file opener.
TEST_F(MainWindowTest, EnterOnAFileOpensItsSides) {
    dir_.MakeTree({{"L/both.txt", "1"}, {"R/both.txt", "2"}, {"L/one.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::vector<std::vector<std::string>> opened;
    View().SetFileOpener([&](const std::vector<std::string>& files) { opened.push_back(files); });
    View().SelectOnly(RowOf("both.txt"));
    Key(Qt::Key_Return);
    View().SelectOnly(RowOf("one.txt"));
    Key(Qt::Key_Return);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], (std::vector<std::string>{dir_ / "L/both.txt", dir_ / "R/both.txt"}));
    EXPECT_EQ(opened[1], std::vector<std::string>{dir_ / "L/one.txt"});
}

// A click on the expand glyph opens and closes the folder like ENTER.
TEST_F(MainWindowTest, GlyphClickTogglesTheFolder) {
    dir_.MakeTree({{"L/A/x.txt", "1"}, {"R/A/", ""}, {"R/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    int a = RowOf("A");
    QRect leftCell = View().visualRect(Model().index(a, 0));
    QRect glyph = DiffRowDelegate::LayoutName(leftCell, Model().ItemAt(a)->level).glyph;
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, glyph.center());
    EXPECT_EQ(RowOf("x.txt"), a + 1);
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, glyph.center());
    EXPECT_EQ(RowOf("x.txt"), -1);
    // The right side of A is empty: no glyph there, a click only selects.
    QRect rightCell = View().visualRect(Model().index(a, Model().ColumnsPerSide()));
    QRect noGlyph = DiffRowDelegate::LayoutName(rightCell, Model().ItemAt(a)->level).glyph;
    QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, noGlyph.center());
    EXPECT_EQ(RowOf("x.txt"), -1);
    ExpectConsistent();
}

// Browsing opens the chosen folder on that side; the same folder again changes nothing.
TEST_F(MainWindowTest, BrowseOpensTheChosenFolder) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}, {"R2/z.txt", "1"}});
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
    EXPECT_EQ(View().Path(1), dir_ / "R2");
    EXPECT_EQ(View().NextSide(), 2);
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R2");
    answer = QString::fromStdString(dir_ / "L");
    frame_->BrowseFolder(0);
    EXPECT_EQ(titles.value(2).toStdString(), "Select the FIRST folder.");
    EXPECT_EQ(frame_->Combo(0)->count(), 0);  // unchanged folder: nothing added
}

// Reset forgets both folders and the rows.
TEST_F(MainWindowTest, ResetClearsEverything) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    View().ResetComparison();
    EXPECT_EQ(Model().RowCount(), 0);
    EXPECT_TRUE(View().Path(0).empty() && View().Path(1).empty());
    EXPECT_EQ(View().NextSide(), 0);
    EXPECT_TRUE(frame_->StatusPath(1)->text().isEmpty());
    ExpectConsistent();
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
    View().RefreshNow();
    ASSERT_NE(RowOf("new.txt"), -1);
    EXPECT_EQ(Model().ItemAt(RowOf("new.txt"))->FileState(), StatusRightOnly);
    EXPECT_EQ(Model().ItemAt(RowOf("b.txt"))->FileState(), StatusDifferent);
    ExpectConsistent();
    ::unlink((dir_ / "L/A/x.txt").c_str());
    ::unlink((dir_ / "R/A/x.txt").c_str());
    View().RefreshNow();
    EXPECT_EQ(RowOf("x.txt"), -1);
    ExpectConsistent();
    int selected = View().SelectedRow();
    View().Rescan();
    EXPECT_EQ(RowOf("new.txt"), -1);  // a fresh read shows A collapsed
    // b.txt sat in row 3, which a collapsed A no longer reaches: the last row is selected.
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(View().SelectedRow(), 2);
    ExpectConsistent();
}

// Two ESC in a row end the program; any key in between disarms the first.
TEST_F(MainWindowTest, DoubleEscExitsOnlyWithoutAnotherKeyBetween) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    QSignalSpy exit(&View(), &CQuillonView::exitRequested);
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

// A folder read in between also disarms the first ESC.
TEST_F(MainWindowTest, FolderReadDisarmsEsc) {
    dir_.MakeTree({{"L/A/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    Key(Qt::Key_Escape);
    View().ToggleFolder(RowOf("A"), false);
    EXPECT_FALSE(View().EscArmed());
}

// ENTER in the right box opens the typed folder on the right and remembers it.
TEST_F(MainWindowTest, TypedPathOpensOnItsSide) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}, {"R2/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    CDropCombo* right = frame_->Combo(1);
    right->setEditText(QString::fromStdString(dir_ / "R2"));
    QTest::keyClick(right->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(View().Path(1), dir_ / "R2");
    EXPECT_EQ(View().Path(0), dir_ / "L");
    EXPECT_NE(RowOf("b.txt"), -1);
    EXPECT_EQ(right->itemText(0).toStdString(), dir_ / "R2");
    std::vector<std::string> mru;
    store_->ReadMruList(settings::kMruDir2Open, mru);
    ASSERT_FALSE(mru.empty());
    EXPECT_EQ(mru.back(), dir_ / "R2");
    EXPECT_TRUE(prompter_.shown.empty());
}

// A typed path that is no folder is reported and the box shows the open folder again.
TEST_F(MainWindowTest, TypedMissingPathIsReportedAndRestored) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    CDropCombo* right = frame_->Combo(1);
    std::string missing = dir_ / "nothing-here";
    right->setEditText(QString::fromStdString(missing));
    QTest::keyClick(right->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "The following folder no longer exists:\n\t\"" + missing + "\"");
    EXPECT_EQ(right->currentText().toStdString(), dir_ / "R");
    EXPECT_EQ(View().Path(1), dir_ / "R");
}

// Picking a vanished folder from a box's list is reported and the previous text comes back.
TEST_F(MainWindowTest, ChosenMissingEntryIsReportedAndRestored) {
    dir_.MakeTree({{"L/a.txt", "1"}, {"R/a.txt", "1"}, {"Gone/", ""}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    frame_->AddPathToCombo(dir_ / "Gone", 0);
    frame_->AddPathToCombo(dir_ / "L", 0);
    ::rmdir((dir_ / "Gone").c_str());
    CDropCombo* left = frame_->Combo(0);
    ASSERT_EQ(left->itemText(1).toStdString(), dir_ / "Gone");
    left->RememberCurrent();
    left->setCurrentIndex(1);
    frame_->OnComboChosen(0, 1);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "The following folder no longer exists:\n" + (dir_ / "Gone"));
    EXPECT_EQ(left->currentText().toStdString(), dir_ / "L");
    EXPECT_EQ(View().Path(0), dir_ / "L");
}

// A dropped folder becomes the box's text; a dropped file is refused with the message.
TEST_F(MainWindowTest, DropTakesFoldersAndRefusesFiles) {
    dir_.MakeTree({{"F/a.txt", "1"}});
    MakeFrame();
    CDropCombo* left = frame_->Combo(0);
    EXPECT_FALSE(left->AcceptDroppedPaths({dir_ / "F/a.txt"}));
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text,
              "The dropped item is a file.\nSince only folder is accepted, it will be ignored.");
    EXPECT_TRUE(left->AcceptDroppedPaths({dir_ / "F", dir_ / "F/a.txt"}));
    EXPECT_EQ(left->currentText().toStdString(), dir_ / "F");
    EXPECT_EQ(prompter_.shown.size(), 1u);
}

// "Set as a Root" asks the side when both have the entry and opens that side's folder.
TEST_F(MainWindowTest, SetAsRootOpensTheChosenSide) {
    dir_.MakeTree({{"L/Docs/in.txt", "1"}, {"R/Docs/in.txt", "1"}, {"L/x.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::vector<int> allowedSeen;
    View().SetSideChooser([&](const QString& question, int allowed) {
        EXPECT_EQ(question.toStdString(), kSetAsRootQuestion);
        allowedSeen.push_back(allowed);
        return 1;
    });
    View().SelectOnly(RowOf("Docs"));
    View().SetAsRoot();
    EXPECT_EQ(allowedSeen.size(), 1u);
    EXPECT_EQ(View().Path(1), dir_ / "R/Docs");
    EXPECT_EQ(View().Path(0), dir_ / "L");
    EXPECT_EQ(frame_->Combo(1)->currentText().toStdString(), dir_ / "R/Docs");
    // L is now compared with R/Docs: its in.txt stands alone on the right.
    ASSERT_NE(RowOf("in.txt"), -1);
    EXPECT_EQ(Model().ItemAt(RowOf("in.txt"))->FileState(), StatusRightOnly);
    ExpectConsistent();
}

// An entry on one side only needs no question.
TEST_F(MainWindowTest, SideQuestionIsSkippedForOneSidedEntries) {
    dir_.MakeTree({{"L/OnlyL/in.txt", "1"}, {"R/b.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    int asked = 0;
    View().SetSideChooser([&](const QString&, int) { return ++asked, 2; });
    View().SelectOnly(RowOf("OnlyL"));
    EXPECT_EQ(View().AskWhichSide(3, true, true, "q"), 0);
    View().SelectOnly(RowOf("b.txt"));
    EXPECT_EQ(View().AskWhichSide(3, true, true, "q"), 1);
    EXPECT_EQ(asked, 0);
}

// The link mode pairs two entries of one kind; a file after a folder is refused.
TEST_F(MainWindowTest, LinkModePairsEntriesOfOneKind) {
    dir_.MakeTree({{"L/A/", ""}, {"L/f.txt", "1"}, {"R/g.txt", "1"}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    std::vector<std::vector<std::string>> opened;
    View().SetFileOpener([&](const std::vector<std::string>& files) { opened.push_back(files); });
    View().SetLinkMode(true);
    auto clickAt = [&](int row, int side) {
        QRect cell = View().visualRect(Model().index(row, side * Model().ColumnsPerSide()));
        View().LinkClick(cell.center());
    };
    clickAt(RowOf("f.txt"), 0);
    EXPECT_EQ(View().LinkStage(), 1);
    clickAt(RowOf("A"), 0);  // a folder after a file: refused
    EXPECT_EQ(View().LinkStage(), 1);
    clickAt(RowOf("g.txt"), 1);
    EXPECT_FALSE(View().LinkMode());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], (std::vector<std::string>{dir_ / "L/f.txt", dir_ / "R/g.txt"}));
}

// Closing stores the placement; the next frame comes back there with the folder list filled.
TEST_F(MainWindowTest, PlacementAndFolderListSurviveARestart) {
    dir_.MakeTree({{"L/", ""}, {"R/", ""}});
    MakeFrame();
    frame_->AddPathToCombo(dir_ / "L", 0);
    frame_->AddPathToCombo(dir_ / "R", 1);
    frame_->setGeometry(40, 50, 700, 420);
    frame_->close();
    auto placement = store_->LoadWindowPlacement();
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(placement->right - placement->left, 700);
    EXPECT_EQ(placement->bottom - placement->top, 420);

    CMainFrame second(store_.get(), &prompter_);
    second.ShowWithSavedPlacement();
    EXPECT_EQ(second.geometry().size(), QSize(700, 420));
    for (int side = 0; side < 2; ++side) {
        ASSERT_EQ(second.Combo(side)->count(), 2);
        EXPECT_EQ(second.Combo(side)->itemText(0).toStdString(), dir_ / "R");  // newest on top
        EXPECT_TRUE(second.Combo(side)->currentText().isEmpty());
    }
}

// The title says when the display filter narrows the list.
TEST_F(MainWindowTest, TitleShowsTheFilteredView) {
    MakeFrame();
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon");
    FilterState filter;
    filter.filterActive = true;
    frame_->SetFilterState(filter);
    EXPECT_EQ(frame_->windowTitle().toStdString(), "Quillon - Filtered View");
}

// The halves split the width evenly and the path boxes follow them.
TEST_F(MainWindowTest, HalvesFollowTheWidth) {
    MakeFrame();
    frame_->resize(1000, 500);
    QApplication::processEvents();
    int half = View().HalfWidth();
    EXPECT_EQ(half, View().viewport()->width() / 2);
    int perSide = Model().ColumnsPerSide();
    int leftTotal = 0;
    for (int c = 0; c < perSide; ++c) {
        leftTotal += View().columnWidth(c);
        EXPECT_EQ(View().columnWidth(c), View().columnWidth(c + perSide));
    }
    EXPECT_EQ(leftTotal, half);
    EXPECT_EQ(frame_->Combo(0)->width(), half);
}

// The timestamp column's tip is the full time even though the cell shows the date only.
TEST_F(MainWindowTest, TimestampTipShowsTheTime) {
    dir_.MakeTree({{"L/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)},
                   {"R/a.txt", "1", test::LocalTime(2024, 3, 7, 14, 5)}});
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    int row = RowOf("a.txt");
    int timeColumn = 1;  // name, timestamp, size with the default columns
    ASSERT_EQ(Model().KindOf(timeColumn), ColumnKind::kTime);
    EXPECT_EQ(Model().CellText(row, timeColumn), "03/07/2024");
    View().setColumnWidth(timeColumn, 40);
    EXPECT_EQ(View().TipText(Model().index(row, timeColumn)).toStdString(), "03/07/2024 14:05");
    View().setColumnWidth(0, 4000);
    EXPECT_TRUE(View().TipText(Model().index(row, 0)).isEmpty());
}

}  // namespace
}  // namespace quillon
