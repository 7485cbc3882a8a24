// Undo and redo through the document's commands on real trees: what comes back, what is kept
// aside rather than deleted, what is never replaced, the messages of failed items, and the texts
// the journal is shown in.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "doc/CQuillonDoc.h"
#include "fileops/CopyFilesDirsTo.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoRun.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "support/FakePrompter.h"
#include "support/FakeRefreshView.h"
#include "support/FileOpsSupport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using Names = std::vector<std::string>;

class UndoTest : public ::testing::Test {
  protected:
    UndoJournal& Journal() { return doc_.Journal(); }
    void CopyTo(const std::string& folder, const Names& sources, bool copy = true) {
        FileOpsContext ctx(RealFileSystem(), &Journal());
        test::FakeAsker asker;
        CopyFilesDirsTo(ctx, prompter_, asker, 1, dir_ / folder, sources, copy);
    }
    // Journalled by hand as the delete command does: each item to its backup, one group.
    void Delete(int side, int itemType,
                const std::vector<std::pair<std::string, std::string>>& items) {
        FileOpsContext ctx(RealFileSystem(), &Journal());
        auto group = Journal().NewGroupRecord();
        group->Kind = kUndoDelete;
        group->Side = side;
        for (const auto& [left, right] : items) {
            const std::string l = left.empty() ? "" : dir_ / left;
            const std::string r = right.empty() ? "" : dir_ / right;
            auto item = Journal().NewItemRecord(itemType, kUndoDelete, side, l, r, l, r);
            ASSERT_EQ(PrepareUndoItem(ctx, *item), 0);
            UndoJournal::Attach(*group, std::move(item));
        }
        Journal().Push(std::move(group));
    }
    void Record(int kind, int itemType, const std::string& org, const std::string& tmp) {
        auto group = Journal().NewGroupRecord();
        group->Kind = kind;
        group->Side = 0;
        group->ItemType = itemType;
        group->Org1 = org.empty() ? "" : dir_ / org;
        group->Tmp1 = dir_ / tmp;
        Journal().Push(std::move(group));
    }
    ScopedRunContext run_;
    test::TestDir dir_;
    test::FakeRefreshView view_;
    CQuillonDoc doc_{nullptr, view_};
    test::FakePrompter prompter_;
};

const char* Arg(const std::string& text) {
    return text.c_str();
}
int Arg(int number) {
    return number;
}
// The message of a failed undo step.
template <typename... Args>
std::string U(const char* format, const Args&... args) {
    char text[2048];
    std::snprintf(text, sizeof text, format, Arg(args)..., kUndoStaysText);
    return text;
}

// Three deletes, the middle backup gone by hand: one U2, the others come back, the group stays.
// A two-sided delete whose left backup is gone: the right item comes back and the left half
// stays in the list as a one-sided record.
TEST_F(UndoTest, DeleteWithAMissingBackupKeepsWhatFailed) {
    dir_.MakeTree({{"L/a", "a"}, {"L/b", "b"}, {"L/c", "c"}, {"L/d/x", "lx"}, {"R/d/x", "rx"}});
    Delete(2, kItemDir, {{"L/d", "R/d"}});
    const UndoRecord& halves = *Journal().undoList.front()->Children.front();
    ASSERT_EQ(std::system(("rm -r '" + halves.Tmp1 + "'").c_str()), 0);
    Delete(0, kItemFile, {{"L/a", ""}, {"L/b", ""}, {"L/c", ""}});
    const std::string lost = Journal().undoList.front()->Children[1]->Tmp1;
    ASSERT_EQ(unlink(lost.c_str()), 0);
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(prompter_.Texts(), Names{U(kUndoFailMoveBack, 1, lost, dir_ / "L/b")});
    EXPECT_EQ(dir_.List("L"), (Names{"a", "c"}));
    EXPECT_EQ(Journal().undoList.front()->ChildCount(), 1);
    EXPECT_FALSE(doc_.CanRedo());
    Journal().undoList.pop_front();
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.ReadFile("R/d/x"), "rx");
    const UndoRecord& kept = *Journal().undoList.front()->Children.front();
    EXPECT_EQ((Names{std::to_string(kept.Side), kept.Org2, kept.Tmp2}), (Names{"0", "", ""}));
    EXPECT_EQ(prompter_.Texts().size(), 2u);
}

class CopyUndoFailure : public UndoTest, public ::testing::WithParamInterface<bool> {};

// The removal of a copy fails: U4 counts one step, or two when a replaced file waits to come
// back; the group stays, and once the disk lets it the undo puts the old file back.
TEST_P(CopyUndoFailure, NamesItsStepsAndStaysUndoable) {
    const bool replaced = GetParam();
    dir_.MakeTree({{"S/f", "new"}, {"D/", ""}});
    if (replaced) {
        dir_.WriteFile("D/f", "old");
    }
    CopyTo("D", {dir_ / "S/f"});
    FaultFileSystem fs;
    fs.FailEvery(FsCall::Rename, EACCES);
    doc_.GetComparison().SetFileSystem(fs);
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(prompter_.Texts(), Names{U(kUndoFailRemoveFile, 0, replaced ? 2 : 1, dir_ / "D/f")});
    doc_.GetComparison().SetFileSystem(RealFileSystem());
    EXPECT_TRUE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.List("D"), replaced ? Names{"f"} : Names{});
    if (replaced) {
        EXPECT_EQ(dir_.ReadFile("D/f"), "old");
    }
}

INSTANTIATE_TEST_SUITE_P(Replaced, CopyUndoFailure, ::testing::Bool());

// A copy changed after it was made is not the copy's own any more: it is renamed aside, and the
// record says where.
TEST_F(UndoTest, ChangedCopyIsKeptAsideNotDeleted) {
    dir_.MakeTree({{"S/f", "new"}, {"S/d/x", "x"}, {"D/f", "old"}});
    CopyTo("D", {dir_ / "S/f", dir_ / "S/d"});
    dir_.WriteFile("D/f", "edited");
    dir_.WriteFile("D/d/y", "added");
    ASSERT_TRUE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.ReadFile("D/f"), "old");
    const UndoRecord& file = *Journal().redo->Children[0];
    const UndoRecord& folder = *Journal().redo->Children[1];
    EXPECT_EQ(test::ReadWholeFile(file.Aside), "edited");
    EXPECT_EQ(test::ReadWholeFile(folder.Aside + "/y"), "added");
    EXPECT_EQ(dir_.List("D").size(), 5u);  // f, and the two kept aside
}

// A backup of an earlier operation inside a merged folder survives the merge's undo, so that the
// history dialog's Undo of the two top rows brings that item back too.
TEST_F(UndoTest, MergeUndoKeepsEarlierBackupsInside) {
    dir_.MakeTree({{"S/d/a", "new"}, {"D/d/a", "old"}, {"D/d/x", "x"}});
    Delete(1, kItemFile, {{"", "D/d/x"}});
    CopyTo("D", {dir_ / "S/d"});
    EXPECT_TRUE(doc_.UndoTopGroups(2, prompter_).ok);
    EXPECT_EQ(dir_.List("D"), (Names{"d/", "d/a", "d/x"}));
    EXPECT_EQ(dir_.ReadFile("D/d/a"), "old");
}

// The row an undo selects is found in the loaded tree, its path's case ignored.
TEST_F(UndoTest, AffectedRowIsFoundInTheTree) {
    dir_.MakeTree({{"L/Sub/f", "f"}, {"R/", ""}});
    Delete(0, kItemFile, {{"L/Sub/f", ""}});
    const UndoOutcome outcome = doc_.Undo(prompter_);
    ASSERT_EQ(outcome.affected.size(), 1u);
    EXPECT_EQ(outcome.affected[0].path, dir_ / "L/Sub/f");
    ASSERT_TRUE(doc_.OpenPath(dir_ / "L") && doc_.OpenPath(dir_ / "R"));
    DiffItem* sub = FindChild(doc_.GetComparison().rootItem, 0, "Sub");
    ASSERT_TRUE(sub && doc_.GetComparison().ExpandFolder(sub, sub->row, false));
    DiffItem* row = doc_.FindRow(0, dir_ / "L/SUB/F", kItemFile);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->FullPath(0), dir_ / "L/Sub/f");
    EXPECT_EQ(doc_.FindRow(0, dir_ / "L/Sub/f", kItemDir), nullptr);
}

// A file made again at the original path of a move is never replaced by the undo.
TEST_F(UndoTest, MoveBackNeverReplacesARecreatedOriginal) {
    dir_.MakeTree({{"S/f", "moved"}, {"D/", ""}});
    CopyTo("D", {dir_ / "S/f"}, false);
    dir_.WriteFile("S/f", "again");
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(prompter_.Texts(), Names{U(kUndoFailMoveBack, 0, dir_ / "D/f", dir_ / "S/f")});
    EXPECT_EQ(dir_.ReadFile("S/f"), "again");
    EXPECT_EQ(dir_.ReadFile("D/f"), "moved");
    EXPECT_TRUE(doc_.CanUndo());

    // The same for one entry of a folder moved into one that existed.
    dir_.MakeTree({{"S/d/f", "moved"}, {"S/d/g", "g"}, {"D/d/h", "h"}});
    prompter_.shown.clear();
    CopyTo("D", {dir_ / "S/d"}, false);
    dir_.WriteFile("S/d/f", "again");
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(dir_.ReadFile("S/d/f"), "again");
    EXPECT_EQ(dir_.ReadFile("D/d/f"), "moved");
    EXPECT_EQ(dir_.ReadFile("D/d/h"), "h");
}

// Created folders go deepest first; one that holds something since stays, with it.
TEST_F(UndoTest, CreatedFoldersGoDeepestFirstAndOnlyWhenEmpty) {
    dir_.MakeTree({{"L/A/B/C/", ""}, {"L/K/", ""}, {"L/K/mine", "m"}});
    auto group = Journal().NewGroupRecord();
    group->Kind = kUndoCreateDir;
    group->Side = 0;
    for (const char* path : {"L/A", "L/A/B", "L/A/B/C"}) {
        UndoJournal::Attach(
            *group, Journal().NewItemRecord(kItemDir, kUndoCreateDir, 0, "", "", dir_ / path, ""));
    }
    Journal().Push(std::move(group));
    Record(kUndoCreateDir, kItemDir, "", "L/K");
    EXPECT_FALSE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(prompter_.Texts(), Names{U(kUndoFailRemoveFolder, 1, dir_ / "L/K")});
    Journal().undoList.pop_front();
    EXPECT_TRUE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.List("L"), (Names{"K/", "K/mine"}));
}

// Undoing a folder rename renames it back first; the older records follow it there and back,
// the records' backups too, but not a sibling whose name only begins like the folder's.
TEST_F(UndoTest, FolderRenameUndoCarriesLaterRecordsBack) {
    dir_.MakeTree({{"L/A/x", "x"}, {"L/A/N/", ""}, {"L/AB/y", "y"}});
    Delete(0, kItemFile, {{"L/A/x", ""}, {"L/AB/y", ""}});
    Record(kUndoCreateDir, kItemDir, "", "L/A/N");
    ASSERT_EQ(rename((dir_ / "L/A").c_str(), (dir_ / "L/B").c_str()), 0);
    Record(kUndoRename, kItemDir, "L/A", "L/B");
    RetargetUndoPaths(Journal(), *Journal().undoList.front(), false);
    const UndoRecord& x = *Journal().undoList[2]->Children[1];
    EXPECT_EQ(x.Org1, dir_ / "L/B/x");
    EXPECT_TRUE(x.Tmp1.starts_with(dir_ / "L/B/$diffundo")) << x.Tmp1;
    EXPECT_EQ(Journal().undoList[2]->Children[0]->Org1, dir_ / "L/AB/y");
    EXPECT_EQ(Journal().undoList[1]->Tmp1, dir_ / "L/B/N");
    ASSERT_TRUE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(x.Org1, dir_ / "L/A/x");
    ASSERT_TRUE(doc_.Undo(prompter_).ok && doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.List("L"), (Names{"A/", "A/x", "AB/", "AB/y"}));
}

// Redo repeats the operation and purges the journal: nothing is left to undo or redo.
TEST_F(UndoTest, RedoThenNothingToUndo) {
    dir_.MakeTree({{"S/f", "new"}, {"D/f", "old"}, {"L/g", "g"}});
    Delete(0, kItemFile, {{"L/g", ""}});
    CopyTo("D", {dir_ / "S/f"});
    ASSERT_TRUE(doc_.Undo(prompter_).ok);
    EXPECT_EQ(dir_.ReadFile("D/f"), "old");
    doc_.Redo(prompter_);
    EXPECT_EQ(dir_.ReadFile("D/f"), "new");
    EXPECT_FALSE(doc_.CanUndo());
    EXPECT_FALSE(doc_.CanRedo());
    EXPECT_EQ(dir_.List("L"), Names{});
}

// Switching undo off purges the journal with its backups; on again, it starts empty.
TEST_F(UndoTest, SwitchedOffPurgesBackups) {
    dir_.MakeTree({{"L/g", "g"}});
    Delete(0, kItemFile, {{"L/g", ""}});
    doc_.SetUndoEnabled(false, nullptr);
    EXPECT_EQ(dir_.List("L"), Names{});
    doc_.SetUndoEnabled(true, nullptr);
    EXPECT_FALSE(doc_.CanUndo());
}

// The journal's texts, against one journal of each kind of record.
TEST_F(UndoTest, JournalTexts) {
    EXPECT_EQ(doc_.UndoInternalsText(), "There is no UNDO history.");
    auto both = Journal().NewGroupRecord();  // 0
    both->Kind = kUndoDelete;
    both->Side = 2;
    UndoJournal::Attach(
        *both, Journal().NewItemRecord(kItemDir, kUndoDelete, 2, "/l/d", "/r/d", "/l/d", "/r/d"));
    Journal().Push(std::move(both));
    auto copy = Journal().NewGroupRecord();  // 1
    copy->Kind = kUndoCopy;
    copy->Side = 1;
    UndoJournal::Attach(*copy,
                        Journal().NewItemRecord(kItemFile, kUndoCopy, 1, "", "/r/a", "", "/l/a"));
    UndoJournal::Attach(*copy,
                        Journal().NewItemRecord(kItemFile, kUndoCopy, 1, "", "/r/b", "", "/l/b"));
    copy->Children.back()->Tmp1.clear();
    Journal().Push(std::move(copy));
    const std::string tag = "$diffundo" + Journal().RunTag;
    Record(kUndoCreateDir, kItemDir, "", "N");  // 2
    const std::string made = dir_ / "N";
    EXPECT_EQ(doc_.UndoInternalsText(),
              "2\tCreateDir\tLeft\tDir\n\n"
              "1\tCopy\tRight\tFile\n\tOrg2 [/r/b]\n\tTmp2 [/l/b]\n\t... (1 more file "
              "operations...)\n"
              "0\tDelete\tBoth\tDir\n\tOrg1 [/l/d]\n\tTmp1 [/l/" +
                  tag + "0000$d]\n\tOrg2 [/r/d]\n\tTmp2 [/r/" + tag + "0000$d]\n\n");
    EXPECT_EQ(UndoDumpEntries(Journal()),
              (Names{"0002:\tCreate dir in Left view (1 files)", "\t[#001]\t[" + made + "]",
                     "0001:\tCopy to Right view (2 files)",
                     "\t[#001]\tfrom [/l/b] to [/r/b]\n\t\t\tExisting file backed-up to [/r/" +
                         tag + "0001$b]\n\t[#002]\tfrom [/l/a] to [/r/a]",
                     "0000:\tDelete in Both view (1 files)",
                     "\t[#001]\tfrom 1 [/l/d]\n\t\t\tBacked up to 1 [/l/" + tag +
                         "0000$d]\n\t[#001]\tfrom 2 [/r/d]\n\t\t\tBacked up to 2 [/r/" + tag +
                         "0000$d]"}));
    const std::vector<UndoHistoryRow> rows = doc_.HistoryRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].action, "Create (in Left)");
    EXPECT_EQ(rows[0].items, made);
    EXPECT_EQ(rows[1].action, "Copy (to Right)");
    EXPECT_EQ(rows[1].files, "2");
    EXPECT_EQ(rows[1].items, "/r/b; /r/a; ");
    EXPECT_EQ(rows[2].items, "/l/d / /r/d");
    EXPECT_EQ(doc_.HistoryDetail({}), "None of Undo item selected.");
    EXPECT_EQ(doc_.HistoryDetail({0, 1}),
              "2\tDirCreate\tLeft\tDir\n\t[" + made +
                  "]\n\n1\tCopy\tRight\tFile\n\tFrom [/l/b]\n\tTo [/r/b]\n\tExisting file "
                  "backed-up to [/r/" +
                  tag + "0001$b]\n\n\tFrom [/l/a]\n\tTo [/r/a]\n");
}

// Thirty one-item deletes fill the box's forty lines after ten of them.
TEST_F(UndoTest, InternalsBoxStopsAtFortyLines) {
    for (int i = 0; i < 30; ++i) {
        Record(kUndoDelete, kItemFile, "f", "g");
    }
    const std::string text = doc_.UndoInternalsText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 41);
    EXPECT_TRUE(text.starts_with("29\tDelete\tLeft\tFile\n"));
    EXPECT_TRUE(text.ends_with("20\tDelete\tLeft\tFile\n\tOrg1 [" + (dir_ / "f") + "]\n\tTmp1 [" +
                               (dir_ / "g") + "]\n\n\n... and more ..."));
}

}  // namespace
}  // namespace quillon
