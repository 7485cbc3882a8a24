// Delete, rename, new folder and paste on real trees: what lands on disk, what the journal holds,
// the refusals and messages, and the rows the refresh leaves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/PathUtil.h"
#include "core/Comparison.h"
#include "core/Refresh.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "support/FakePrompter.h"
#include "support/FakeRefreshView.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;

class PaneOpsTest : public test::StoreFixture {
  protected:
    void SetUp() override { StartLog(); }
    void Open() {
        paths_[0] = Dir() / "L";
        paths_[1] = Dir() / "R";
        ASSERT_TRUE(cmp_.CompareFolders(paths_[0], paths_[1], 0));
    }
    // The row at a '/'-separated path of names; folders on the way are expanded.
    DiffItem* Row(const std::string& path, DiffItem* holder = nullptr) {
        holder = holder ? holder : cmp_.rootItem;
        const size_t slash = path.find('/');
        const std::string name = path.substr(0, slash);
        DiffItem* item = FindChild(holder, slash == std::string::npos ? 1 : 0, name);
        item = item ? item : FindChild(holder, 0, name);
        if (slash == std::string::npos || !item) {
            return item;
        }
        if (!item->firstChild) {
            cmp_.ExpandFolder(item, item->row, false);
        }
        return Row(path.substr(slash + 1), item);
    }
    std::vector<DiffItem*> Rows(const Texts& names) {
        std::vector<DiffItem*> rows;
        for (const std::string& name : names) {
            rows.push_back(Row(name));
        }
        return rows;
    }
    DeleteResult Delete(int side, const Texts& rows, bool journal = true) {
        FileOpsContext ctx(RealFileSystem(), journal ? &journal_ : nullptr);
        return DeleteSelectedItems(ctx, Scene(), side, Rows(rows));
    }
    RenameResult Rename(const std::string& row, int side, const std::string& typed) {
        FileOpsContext ctx(RealFileSystem(), &journal_);
        return RenameItem(ctx, prompter_, *Row(row), side, typed);
    }
    CopyToPaneScene Scene() { return {cmp_, paths_, prompter_, nullptr, nullptr}; }
    Texts Shown() const {
        Texts texts;
        for (const PromptRequest& request : prompter_.shown) {
            texts.push_back(request.text);
        }
        return texts;
    }

    Comparison cmp_;
    std::string paths_[2];
    UndoJournal journal_{"0102030405"};
    test::FakePrompter prompter_;
};

struct RenameCase {
    const char* typed;
    const char* expectName;  // the file's name afterwards
    bool box;                // an error box is shown
};

class RenameRule : public PaneOpsTest, public ::testing::WithParamInterface<RenameCase> {};

// The typed name is trimmed; nothing happens for an empty or unchanged name; a case-only change
// renames; a reserved character, "." or "..", or a name in use gives a box and leaves the disk
// and the journal alone; a rename that happened is journalled once.
TEST_P(RenameRule, ValidatesThenRenames) {
    const RenameCase& c = GetParam();
    Dir().MakeTree({{"L/a.txt", "a"}, {"L/taken.txt", "t"}, {"R/", ""}});
    Open();
    const RenameResult result = Rename("a.txt", 0, c.typed);
    const bool renamed = std::string(c.expectName) != "a.txt";

    EXPECT_EQ(result.renamed, renamed);
    EXPECT_EQ(Dir().ReadFile(std::string("L/") + c.expectName), "a");
    EXPECT_EQ(Dir().ReadFile("L/taken.txt"), "t");
    EXPECT_EQ(Dir().List("L").size(), 2u);
    ASSERT_EQ(prompter_.shown.size(), c.box ? 1u : 0u);
    ASSERT_EQ(journal_.undoList.size(), renamed ? 1u : 0u);
    if (renamed) {
        const UndoRecord& record = *journal_.undoList.front();
        EXPECT_EQ(record.Kind * 10 + record.Side, kUndoRename * 10 + 0);
        EXPECT_EQ(record.Org1, Dir() / "L/a.txt");
        EXPECT_EQ(record.Tmp1, Dir() / (std::string("L/") + c.expectName));
        EXPECT_EQ(result.newPath, record.Tmp1);
    }
    if (c.box && std::string(c.typed) == "taken.txt") {
        EXPECT_EQ(prompter_.shown[0].text, "Renaming from [" + Dir() / "L/a.txt" + "] to [" +
                                               Dir() / "L/taken.txt" +
                                               "] failed.\tErrorCode: [17]=File exists");
    } else if (c.box) {
        EXPECT_EQ(prompter_.shown[0].text,
                  "ERROR:\n\nFilename (" + TrimmedNewName(c.typed) +
                      ") contains at least one of the illegal characters; \\/:*?\"<>|");
        EXPECT_NE(LogText().find(prompter_.shown[0].text), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, RenameRule,
    ::testing::Values(RenameCase{"b.txt \t ", "b.txt", false}, RenameCase{"   ", "a.txt", false},
                      RenameCase{"", "a.txt", false}, RenameCase{"a.txt ", "a.txt", false},
                      RenameCase{"A.TXT", "A.TXT", false}, RenameCase{"x\\y", "a.txt", true},
                      RenameCase{"x/y", "a.txt", true}, RenameCase{"x:y", "a.txt", true},
                      RenameCase{"x*", "a.txt", true}, RenameCase{"x?", "a.txt", true},
                      RenameCase{"\"x\"", "a.txt", true}, RenameCase{"<x", "a.txt", true},
                      RenameCase{"x>", "a.txt", true}, RenameCase{"x|y", "a.txt", true},
                      RenameCase{".", "a.txt", true}, RenameCase{".. ", "a.txt", true},
                      RenameCase{"taken.txt", "a.txt", true}));

// A failed folder rename leaves every journal path as it was; the one that succeeds carries the
// paths below the folder to its new name. A case-only rename of a paired row keeps it paired.
TEST_F(PaneOpsTest, FolderRenameRetargetsOnlyAfterSuccess) {
    Dir().MakeTree({{"L/A/x.txt", "x"},
                    {"L/A/y.txt", "y"},
                    {"L/B/", ""},
                    {"L/P/y.txt", "y"},
                    {"R/p/y.txt", "y"}});
    Open();
    ASSERT_EQ(Delete(0, {"A/x.txt"}).deleted, 1);
    const std::string backup = journal_.undoList.front()->Children.front()->Tmp1;

    EXPECT_FALSE(Rename("A", 0, "B").renamed);
    ASSERT_EQ(journal_.undoList.size(), 1u);
    EXPECT_EQ(journal_.undoList.front()->Children.front()->Tmp1, backup);

    EXPECT_TRUE(Rename("A", 0, "C").renamed);
    ASSERT_EQ(journal_.undoList.size(), 2u);
    const UndoRecord& moved = *journal_.undoList.back()->Children.front();
    EXPECT_EQ(moved.Org1, Dir() / "L/C/x.txt");
    EXPECT_EQ(test::ReadWholeFile(moved.Tmp1), "x");

    ASSERT_TRUE(Row("P/y.txt"));
    EXPECT_TRUE(Rename("P", 1, "P").renamed);
    test::FakeRefreshView view;
    view.paths[0] = paths_[0];
    view.paths[1] = paths_[1];
    Refresh(cmp_, view).SemiRefresh();
    EXPECT_TRUE(Row("C/y.txt") && Row("C/y.txt")->Has(0));
    EXPECT_EQ(Row("A"), nullptr);
    DiffItem* paired = Row("P");
    ASSERT_TRUE(paired);
    EXPECT_EQ(paired->Name(1), "P");
    EXPECT_TRUE(paired->Has(0) && paired->Has(1));
    EXPECT_EQ(Row("P/y.txt")->FullPath(1), Dir() / "R/P/y.txt");
    EXPECT_TRUE(Row("P/y.txt")->Has(0));
    EXPECT_TRUE(IsConsistent(cmp_.rootItem, false));
}

// ".." and nested selections are refused before anything is touched; siblings whose names share
// a beginning (A and AB) are not nested.
TEST_F(PaneOpsTest, DeleteRefusals) {
    Dir().MakeTree({{"L/A/f.txt", "f"}, {"L/AB/g.txt", "g"}, {"L/k.txt", "k"}, {"R/A/f.txt", "f"}});
    Open();
    const std::vector<DiffItem*> withDotDot{cmp_.rootItem->firstChild, Row("k.txt")};
    ASSERT_TRUE(withDotDot[0]->IsDotDot());
    FileOpsContext ctx(RealFileSystem(), &journal_);
    EXPECT_TRUE(DeleteSelectedItems(ctx, Scene(), 2, withDotDot).refused);
    EXPECT_TRUE(Delete(0, {"A", "A/f.txt"}).refused);
    EXPECT_TRUE(Delete(2, {"A", "AB", "AB/g.txt"}).refused);
    EXPECT_EQ(
        Shown(),
        (Texts{"Deleting \"..\" isn't allowed.",
               "You cannot delete the items with parent-child relation.\nPlease try again.",
               "You cannot delete the items with parent-child relation.\nPlease try again."}));
    EXPECT_TRUE(Dir().Exists("L/k.txt") && Dir().Exists("L/A/f.txt") && Dir().Exists("R/A/f.txt"));
    EXPECT_TRUE(journal_.undoList.empty());
    EXPECT_NE(LogText().find("cancelling DELETE process..."), std::string::npos);

    prompter_.shown.clear();
    cmp_.filter.filterActive = true;
    prompter_.script = {mbr::kYes, mbr::kYes};
    const DeleteResult siblings = Delete(0, {"A", "AB"});
    EXPECT_EQ(siblings.deleted, 2);
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[0].key, "FilterDirDelete_01");
    EXPECT_EQ(prompter_.shown[1].text,
              "At least one item is a folder.\nAre you sure you want to delete the selected "
              "item(s) including the folder?");
    EXPECT_FALSE(Dir().Exists("L/A") || Dir().Exists("L/AB"));
    EXPECT_EQ(journal_.undoList.front()->ChildCount(), 2);
    EXPECT_TRUE(Dir().Exists("R/A/f.txt"));
}

// Three files deleted with the journal on: one group of three items, each file under its backup
// name beside its old place. A row only on the left, deleted from both panes, leaves the tree.
TEST_F(PaneOpsTest, JournalledDeleteKeepsBackups) {
    Dir().MakeTree({{"L/a.txt", "a"},
                    {"L/s/b.txt", "b"},
                    {"L/c.txt", "c"},
                    {"L/only.txt", "o"},
                    {"R/a.txt", "A"},
                    {"R/s/b.txt", "B"}});
    Open();
    EXPECT_EQ(Delete(0, {"a.txt", "s/b.txt", "c.txt"}).deleted, 3);
    ASSERT_EQ(journal_.undoList.size(), 1u);
    const UndoRecord& group = *journal_.undoList.front();
    EXPECT_EQ(group.Kind * 10 + group.Side, kUndoDelete * 10 + 0);
    ASSERT_EQ(group.ChildCount(), 3);
    for (const auto& item : group.Children) {
        EXPECT_FALSE(Dir().Exists(item->Org1.substr(Dir().Path().size() + 1)));
        EXPECT_EQ(test::ReadWholeFile(item->Tmp1), std::string(1, BaseName(item->Org1)[0]));
        EXPECT_EQ(DirName(item->Tmp1), DirName(item->Org1));
    }
    EXPECT_EQ(Dir().ReadFile("R/a.txt"), "A");

    EXPECT_EQ(Delete(2, {"only.txt"}).deleted, 1);
    const UndoRecord& both = *journal_.undoList.front()->Children.front();
    EXPECT_EQ(both.Side, 2);
    EXPECT_TRUE(both.Org2.empty() && both.Tmp2.empty());
    test::FakeRefreshView view;
    view.paths[0] = paths_[0];
    view.paths[1] = paths_[1];
    Refresh(cmp_, view).SemiRefresh();
    EXPECT_EQ(Row("only.txt"), nullptr);
    EXPECT_FALSE(Row("a.txt")->Has(0));
    EXPECT_EQ(Dir().ReadFile("R/s/b.txt"), "B");
}

// Without the journal, a folder is deleted for good, but a link inside it (and a row that is a
// link to a folder) goes as a link: the folder it points to keeps every file.
TEST_F(PaneOpsTest, UnjournalledDeleteRemovesLinksNotTargets) {
    Dir().MakeTree({{"L/d/f.txt", "f"}, {"L/d/sub/g.txt", "g"}, {"R/", ""}, {"out/keep.txt", "k"}});
    Dir().Symlink(Dir() / "out", "L/d/sub/link");
    Dir().Symlink(Dir() / "out", "L/top");
    Open();
    ASSERT_TRUE(Row("top") && !Row("top")->isFile);
    prompter_.script = {mbr::kYes};
    const DeleteResult result = Delete(0, {"d", "top"}, false);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(Dir().List("L"), Texts{});
    EXPECT_EQ(Dir().ReadFile("out/keep.txt"), "k");
    EXPECT_TRUE(journal_.undoList.empty());
}

// A failed deletion is one report line for its pane; the other pane and the other rows go on.
TEST_F(PaneOpsTest, FailedDeletionIsReported) {
    Dir().MakeTree({{"L/a.txt", "a"}, {"L/b.txt", "b"}, {"R/a.txt", "a"}});
    Open();
    FaultFileSystem fs;
    // Last row first: b.txt on the left, then a.txt on the left (fails) and on the right.
    fs.FailNth(FsCall::Unlink, 2, EIO);
    FileOpsContext ctx(fs, nullptr);
    const DeleteResult result = DeleteSelectedItems(ctx, Scene(), 2, Rows({"a.txt", "b.txt"}));
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(result.deleted, 1);
    EXPECT_EQ(Shown(), Texts{"The following operation(s) failed:\n- Removing LEFT " + Dir() / "L" +
                             "/a.txt\n"});
    EXPECT_EQ(Dir().List("L"), Texts{"a.txt"});
    EXPECT_EQ(Dir().List("R"), Texts{});
}

// "New Folder" takes the first free number from 2 up; a folder missing in the pane is made from
// the other pane's tree, and each folder made is one item of the operation.
TEST_F(PaneOpsTest, NewFolderNamesAndChain) {
    Dir().MakeTree({{"L/New Folder/", ""},
                    {"L/New Folder (2)", "a file"},
                    {"L/f.txt", "f"},
                    {"R/a/b/g.txt", "g"}});
    Open();
    const CopyToPaneScene scene = Scene();
    FileOpsContext ctx(RealFileSystem(), &journal_);
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"f.txt"}), 0).path, Dir() / "L/New Folder (3)");
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"f.txt", "a"}), 0).path, "");
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"a/b/g.txt"}), 0).path, Dir() / "L/a/b/New Folder");
    EXPECT_TRUE(Dir().Exists("L/a/b/New Folder"));
    ASSERT_EQ(journal_.undoList.size(), 2u);
    const UndoRecord& chain = *journal_.undoList.front();
    EXPECT_EQ(chain.Kind * 10 + chain.Side, kUndoCreateDir * 10 + 0);
    Texts made;
    for (const auto& item : chain.Children) {
        made.push_back(item->Tmp1.substr(Dir().Path().size() + 1));
    }
    EXPECT_EQ(made, (Texts{"L/a/b/New Folder", "L/a/b", "L/a"}));
    EXPECT_EQ(journal_.undoList.back()->ChildCount(), 1);
}

// A paste goes into the selected folder, a file's folder, or the nearest folder above that the
// pane has.
TEST_F(PaneOpsTest, PasteFolderOfTheRow) {
    Dir().MakeTree({{"L/a/b/f.txt", "f"}, {"L/top.txt", "t"}, {"R/a/", ""}});
    Open();
    EXPECT_EQ(PasteFolder(*Row("a/b/f.txt"), 0, paths_[0]), Dir() / "L/a/b");
    EXPECT_EQ(PasteFolder(*Row("a/b/f.txt"), 1, paths_[1]), Dir() / "R/a");
    EXPECT_EQ(PasteFolder(*Row("a/b"), 1, paths_[1]), Dir() / "R/a");
    EXPECT_EQ(PasteFolder(*Row("top.txt"), 1, paths_[1]), Dir() / "R");
    EXPECT_EQ(PasteFolder(*cmp_.rootItem->firstChild, 0, paths_[0]), Dir() / "L");
}

}  // namespace
}  // namespace quillon
