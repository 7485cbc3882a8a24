// Delete, rename, new folder and paste on real trees: the disk, the journal, the refusals and
// messages, the rows after the window's refresh, and every injected failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/PathUtil.h"
#include "core/Comparison.h"
#include "core/Refresh.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "support/FakePrompter.h"
#include "support/FakeRefreshView.h"
#include "support/FileOpsSupport.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;
using Files = std::map<std::string, std::string>;

using test::RowAt;

class PaneOps : public test::StoreFixture {
  protected:
    void SetUp() override { StartLog(); }
    void Open(const std::vector<test::TreeEntry>& tree) {
        Dir().MakeTree(tree);
        ASSERT_TRUE(cmp_.CompareFolders(paths_[0], paths_[1], 0));
    }
    DiffItem* Row(const std::string& path) { return RowAt(cmp_, path); }
    std::vector<DiffItem*> Rows(const Texts& names) {
        std::vector<DiffItem*> rows;
        std::transform(names.begin(), names.end(), std::back_inserter(rows),
                       [this](const std::string& name) { return Row(name); });
        return rows;
    }
    DeleteResult Delete(int side, const Texts& rows, bool journal = true) {
        FileOpsContext ctx(RealFileSystem(), journal ? &journal_ : nullptr);
        return DeleteSelectedItems(ctx, {cmp_, paths_, prompter_}, side, Rows(rows));
    }
    bool Rename(const std::string& row, int side, const std::string& typed) {
        FileOpsContext ctx(RealFileSystem(), &journal_);
        return RenameItem(ctx, prompter_, *Row(row), side, typed).renamed;
    }
    void Refresh() {
        test::FakeRefreshView view;
        std::copy(paths_, paths_ + 2, view.paths);
        quillon::Refresh(cmp_, view).SemiRefresh();
    }
    std::string Shown(size_t i = 0) const {
        return i < prompter_.shown.size() ? prompter_.shown[i].text : "";
    }

    Comparison cmp_;
    std::string paths_[2] = {Dir() / "L", Dir() / "R"};
    UndoJournal journal_{"0102030405"};
    test::FakePrompter prompter_;
};

struct RenameCase {
    const char* typed;
    const char* after;  // the file's name afterwards
    const char* box;    // the start of the box shown, or ""
};

class RenameRule : public PaneOps, public ::testing::WithParamInterface<RenameCase> {};

// Trimmed; empty or unchanged does nothing; a case-only change renames; a reserved character,
// "." or "..", or a name in use is refused with the disk and the journal left alone.
TEST_P(RenameRule, ValidatesThenRenamesAndJournals) {
    const RenameCase& c = GetParam();
    Open({{"L/a.txt", "a"}, {"L/taken.txt", "t"}, {"R/", ""}});
    const bool renamed = std::string(c.after) != "a.txt";
    EXPECT_EQ(Rename("a.txt", 0, c.typed), renamed);
    EXPECT_EQ(Dir().List("L"), (Texts{c.after, "taken.txt"}));
    EXPECT_TRUE(Shown().starts_with(c.box) && Shown().empty() == !*c.box) << Shown();
    ASSERT_EQ(journal_.undoList.size(), renamed ? 1u : 0u);
    for (const auto& r : journal_.undoList) {
        EXPECT_EQ(Texts({std::to_string(r->Kind), r->Org1, r->Tmp1}),
                  Texts({"2", Dir() / "L/a.txt", Dir() / ("L/" + std::string(c.after))}));
    }
}

const char kIllegal[] = "ERROR:\n\nFilename (";
INSTANTIATE_TEST_SUITE_P(
    Names, RenameRule,
    ::testing::Values(RenameCase{"b.txt \t ", "b.txt", ""}, RenameCase{"   ", "a.txt", ""},
                      RenameCase{"a.txt ", "a.txt", ""}, RenameCase{"A.TXT", "A.TXT", ""},
                      RenameCase{"x\\y", "a.txt", kIllegal}, RenameCase{"x/y", "a.txt", kIllegal},
                      RenameCase{"x:y", "a.txt", kIllegal}, RenameCase{"x*", "a.txt", kIllegal},
                      RenameCase{"x?", "a.txt", kIllegal}, RenameCase{"\"", "a.txt", kIllegal},
                      RenameCase{"<", "a.txt", kIllegal}, RenameCase{">", "a.txt", kIllegal},
                      RenameCase{"|", "a.txt", kIllegal}, RenameCase{".", "a.txt", kIllegal},
                      RenameCase{".. ", "a.txt", kIllegal},
                      RenameCase{"taken.txt", "a.txt", "Renaming from ["}));

// A failed folder rename leaves the journal as it was; one that succeeds carries the paths below
// the folder along; a case-only rename of a paired row keeps it paired with its loaded rows.
TEST_F(PaneOps, FolderRename) {
    Open({{"L/A/x.txt", "x"}, {"L/B/", ""}, {"L/P/y.txt", "y"}, {"R/p/y.txt", "y"}});
    ASSERT_EQ(Delete(0, {"A/x.txt"}).deleted, 1);
    const UndoRecord& deleted = *journal_.undoList.front()->Children.front();
    const std::string backup = deleted.Tmp1;
    EXPECT_FALSE(Rename("A", 0, "B") || Rename("A", 0, "C:"));
    EXPECT_EQ(journal_.undoList.size(), 1u);
    EXPECT_EQ(deleted.Tmp1, backup);
    EXPECT_EQ(Shown(0), "Renaming from [" + Dir() / "L/A" + "] to [" + Dir() / "L/B" +
                            "] failed.\tErrorCode: [17]=File exists");
    EXPECT_EQ(Shown(1),
              "ERROR:\n\nFilename (C:) contains at least one of the illegal "
              "characters; \\/:*?\"<>|");
    EXPECT_NE(LogText().find(Shown(1)), std::string::npos);

    EXPECT_TRUE(Rename("A", 0, "C") && Row("P/y.txt") && Rename("P", 1, "P"));
    EXPECT_EQ(deleted.Org1, Dir() / "L/C/x.txt");
    EXPECT_EQ(test::ReadWholeFile(deleted.Tmp1), "x");
    Refresh();
    EXPECT_TRUE(!Row("A") && Row("C") && Row("P")->Has(0) && Row("P")->Name(1) == "P");
    EXPECT_EQ(Row("P/y.txt")->FullPath(1), Dir() / "R/P/y.txt");
    EXPECT_TRUE(Row("P/y.txt")->Has(0) && IsConsistent(cmp_.rootItem, false));
}

// ".." and nested rows are refused before anything is touched; siblings A and AB are not nested,
// and deleting folders asks first (about the display filter too when it is on).
TEST_F(PaneOps, DeleteRefusalsAndQuestions) {
    Open({{"L/A/f.txt", "f"}, {"L/AB/g.txt", "g"}, {"L/k.txt", "k"}, {"R/A/f.txt", "f"}});
    ASSERT_TRUE(Row("..")->IsDotDot());
    EXPECT_TRUE(Delete(2, {"..", "k.txt"}).refused && Delete(0, {"A", "A/f.txt"}).refused &&
                Delete(2, {"A", "AB", "AB/g.txt"}).refused);
    EXPECT_EQ(Shown(0), "Deleting \"..\" isn't allowed.");
    EXPECT_EQ(Shown(2),
              "You cannot delete the items with parent-child relation.\nPlease try again.");
    EXPECT_TRUE(Dir().Exists("L/k.txt") && Dir().Exists("L/A/f.txt") && Dir().Exists("L/AB/g.txt"));
    EXPECT_NE(LogText().find("cancelling DELETE process..."), std::string::npos);

    prompter_.shown.clear();
    cmp_.filter.filterActive = true;
    prompter_.script = {mbr::kYes, mbr::kYes};
    EXPECT_EQ(Delete(0, {"A", "AB"}).deleted, 2);
    EXPECT_EQ(prompter_.shown.at(0).key, "FilterDirDelete_01");
    EXPECT_EQ(Shown(1), kDeleteFolderQuestion);
    EXPECT_FALSE(Dir().Exists("L/A") || Dir().Exists("L/AB") || !Dir().Exists("R/A/f.txt"));
}

// Three files deleted with the journal on: one group of three, each file under its backup name in
// its own folder. A left-only row deleted from both panes leaves the tree after the refresh.
TEST_F(PaneOps, JournalledDelete) {
    Open({{"L/a.txt", "a"},
          {"L/s/b.txt", "b"},
          {"L/c.txt", "c"},
          {"L/only", "o"},
          {"R/a.txt", "A"}});
    EXPECT_EQ(Delete(0, {"a.txt", "s/b.txt", "c.txt"}).deleted, 3);
    const UndoRecord& group = *journal_.undoList.at(0);
    EXPECT_EQ(group.Kind * 10 + group.Side, kUndoDelete * 10 + 0);
    EXPECT_EQ(group.ChildCount(), 3);
    EXPECT_EQ(Dir().List("L"),
              (Texts{"$diffundo01020304050000$a.txt", "$diffundo01020304050000$c.txt", "only", "s/",
                     "s/$diffundo01020304050000$b.txt"}));
    EXPECT_EQ(Delete(2, {"only"}).deleted, 1);
    EXPECT_EQ(journal_.undoList.at(0)->Children.at(0)->Org2, "");
    Refresh();
    EXPECT_TRUE(!Row("only") && !Row("a.txt")->Has(0) && Dir().ReadFile("R/a.txt") == "A");
}

// Without the journal a folder goes for good, but a link inside it, and a row that is a link to a
// folder, go as links: the folder they point to keeps its files.
TEST_F(PaneOps, UnjournalledDeleteRemovesLinksNotTargets) {
    Dir().MakeTree({{"L/d/sub/g.txt", "g"}, {"R/", ""}, {"out/keep.txt", "k"}});
    Dir().Symlink(Dir() / "out", "L/d/sub/link");
    Dir().Symlink(Dir() / "out", "L/top");
    Open({});
    ASSERT_FALSE(Row("top")->isFile);
    prompter_.script = {mbr::kYes};
    EXPECT_EQ(Delete(0, {"d", "top"}, false).deleted, 2);
    EXPECT_EQ(Dir().List("L"), Texts{});
    EXPECT_EQ(Dir().ReadFile("out/keep.txt"), "k");
    EXPECT_TRUE(journal_.undoList.empty());
}

// "New Folder" takes the first free number from 2 up; a folder the pane lacks is made from the
// other pane's tree, each folder made one item. A paste goes to the nearest folder the pane has.
TEST_F(PaneOps, NewFolderAndPasteFolder) {
    Open({{"L/New Folder/", ""}, {"L/New Folder (2)", "file"}, {"L/f.txt", "f"}, {"R/a/b/g", "g"}});
    FileOpsContext ctx(RealFileSystem(), &journal_);
    const CopyToPaneScene scene{cmp_, paths_, prompter_};
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"f.txt"}), 0).path, Dir() / "L/New Folder (3)");
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"f.txt", "a"}), 0).path, "");
    EXPECT_EQ(PasteFolder(*Row("a/b/g"), 0, paths_[0]), paths_[0]);
    EXPECT_EQ(NewFolder(ctx, scene, Rows({"a/b/g"}), 0).path, Dir() / "L/a/b/New Folder");
    const UndoRecord& chain = *journal_.undoList.at(0);
    EXPECT_EQ(chain.Kind * 10 + chain.Side, kUndoCreateDir * 10 + 0);
    Texts made;
    for (const auto& item : chain.Children) {
        made.push_back(item->Tmp1);
    }
    EXPECT_EQ(made, (Texts{Dir() / "L/a/b/New Folder", Dir() / "L/a/b", Dir() / "L/a"}));
    EXPECT_EQ(journal_.undoList.at(1)->ChildCount(), 1);
    EXPECT_EQ(PasteFolder(*Row("a/b/g"), 1, paths_[1]), Dir() / "R/a/b");
}

// Whichever call of a journalled delete from both panes (a folder among the rows) or of a rename
// fails, and wherever the process stops, every file is at its path, where the rename took it, or
// in a backup beside it. After a failure it survived, each deleted item is in place and named in
// a message or gone into a backup the journal holds, and a rename happened exactly when journalled.
TEST(PaneOpFaults, EveryStepOfDeleteAndRename) {
    const struct {
        const char* row;
        int side;
        const char* name;  // none: the delete
        std::string from;
        std::string to;
    } ops[] = {{"", 2, nullptr, "", ""},
               {"a.txt", 0, "n.txt", "L/a.txt", "L/n.txt"},
               {"d", 0, "e", "L/d", "L/e"},
               {"a.txt", 1, "d", "R/a.txt", "R/d"}};
    for (const auto& op : ops) {
        const auto attempt = [&op](auto&& plan, bool survived) {
            test::TestDir dir;
            dir.MakeTree({{"L/a.txt", "la"},
                          {"L/s/b.txt", "lb"},
                          {"L/d/e.txt", "le"},
                          {"L/d/f/g", "g"},
                          {"R/a.txt", "ra"},
                          {"R/d/e.txt", "re"}});
            ScopedRunContext run;
            UndoJournal journal("0101000000");
            Comparison cmp;
            const std::string opened[2] = {dir / "L", dir / "R"};
            cmp.CompareFolders(opened[0], opened[1], 0);
            const std::vector<DiffItem*> rows{RowAt(cmp, "a.txt"), RowAt(cmp, "s/b.txt"),
                                              RowAt(cmp, "d")};
            FaultFileSystem fs;
            plan(fs);
            FileOpsContext ctx(fs, &journal);
            test::FakePrompter prompter;
            prompter.script = {mbr::kYes};
            const Files before = test::ByOriginalName(dir);
            const bool renamed =
                op.name && RenameItem(ctx, prompter, *RowAt(cmp, op.row), op.side, op.name).renamed;
            if (!op.name) {
                DeleteSelectedItems(ctx, {cmp, opened, prompter}, 2, rows);
            }
            std::string shown;
            for (const PromptRequest& request : prompter.shown) {
                shown += request.text + "\n";
            }
            const bool moved = op.name && !dir.Exists(op.from);
            Files expected;
            for (const auto& [path, bytes] : before) {
                const bool below = path == op.from || path.starts_with(op.from + "/");
                expected[moved && below ? op.to + path.substr(op.from.size()) : path] = bytes;
            }
            EXPECT_EQ(test::ByOriginalName(dir), expected) << fs.Steps();
            if (survived && op.name) {
                EXPECT_TRUE(moved == renamed && renamed == shown.empty()) << shown;
                EXPECT_EQ(journal.undoList.size(), renamed ? 1u : 0u);
            }
            Files backups;  // item -> the backup the journal holds
            for (const auto& group : journal.undoList) {
                for (const auto& item : group->Children) {
                    backups[item->Org1] = item->Tmp1;
                    backups[item->Org2] = item->Tmp2;
                }
            }
            for (int pane = 0; pane < 2 && survived && !op.name; ++pane) {
                for (const DiffItem* row : rows) {
                    const std::string path = row->FullPath(pane);
                    const std::string line = (pane ? "RIGHT " : "LEFT ") + path + "\n";
                    EXPECT_TRUE(path.empty() ||
                                (PathExistsLoose(RealFileSystem(), path)
                                     ? shown.find(line) != shown.npos
                                     : PathExistsLoose(RealFileSystem(), backups[path])))
                        << fs.Steps() << " " << path << shown;
                }
            }
            return fs.Steps();
        };
        const uint64_t steps = attempt([](FaultFileSystem&) {}, true);
        for (uint64_t n = 1; n <= steps; ++n) {
            for (const int error : {EIO, EACCES, ENOSPC, EEXIST, EXDEV, EINVAL}) {
                attempt([&](FaultFileSystem& fs) { fs.FailNth(FsCall::Any, n, error); }, true);
            }
            attempt([&](FaultFileSystem& fs) { fs.StopAfter(n - 1); }, false);
        }
    }
}

}  // namespace
}  // namespace quillon
