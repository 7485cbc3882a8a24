// Backup names, the records' path rules and the purge, which deletes only recorded backups.
#include <gtest/gtest.h>

#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/RunContext.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

TEST(UndoJournal, BackupNamesAndRunTag) {
    EXPECT_EQ(MakeRunTag("1206_235901", 0), "1206235901");
    EXPECT_EQ(MakeRunTag("", 0).size(), 10u);
    EXPECT_EQ(BackupName("/a/b/report.doc", "1206235901", 7),
              "/a/b/$diffundo12062359010007$report.doc");
    EXPECT_EQ(BackupName("/x", "1206235901", 12345), "/$diffundo120623590112345$x");
}

TEST(UndoJournal, RecordsNumberOperationsAndNameBackupsAfterTheReplacedItem) {
    ScopedRunContext run;
    UndoJournal journal("0101000000");
    auto first = journal.NewGroupRecord();
    EXPECT_EQ(first->OpNumber, 0);
    auto second = journal.NewGroupRecord();
    EXPECT_EQ(second->OpNumber, 1);

    // A copy to the right: the source in Tmp2, the backup of the replaced right item in Tmp1,
    // named after that item even where the source's name differs in case.
    auto copy = journal.NewItemRecord(kItemFile, kUndoCopy, 1, "", "/r/A.txt", "", "/l/a.TXT");
    EXPECT_EQ(copy->OpNumber, 1);
    EXPECT_EQ(copy->Tmp2, "/l/a.TXT");
    EXPECT_EQ(copy->Tmp1, "/r/$diffundo01010000000001$A.txt");

    auto both = journal.NewItemRecord(kItemDir, kUndoDelete, 2, "/l/d", "/r/d", "/l/d", "/r/d");
    EXPECT_EQ(both->Tmp1, "/l/$diffundo01010000000001$d");
    EXPECT_EQ(both->Tmp2, "/r/$diffundo01010000000001$d");
    auto left = journal.NewItemRecord(kItemFile, kUndoDelete, 0, "/l/f", "/r/f", "/l/f", "/r/f");
    EXPECT_EQ(left->Tmp2, "");

    UndoJournal::Attach(*second, std::move(copy));
    UndoJournal::Attach(*second, std::move(both));
    EXPECT_EQ(second->ChildCount(), 2);
    EXPECT_EQ(second->Children.front()->Kind, kUndoDelete);
}

// A folder rename moves the journal's paths below the folder with it, and back on undo; a sibling
// whose name only begins like the folder's keeps its paths.
TEST(UndoJournal, RetargetFollowsAFolderRenameButNotItsSiblings) {
    ScopedRunContext run;
    UndoJournal journal("0101000000");
    auto group = journal.NewGroupRecord();
    UndoJournal::Attach(*group, journal.NewItemRecord(kItemFile, kUndoDelete, 0, "/l/A/x.txt", "",
                                                      "/l/A/x.txt", ""));
    UndoJournal::Attach(*group, journal.NewItemRecord(kItemFile, kUndoDelete, 0, "/l/AB/y.txt", "",
                                                      "/l/AB/y.txt", ""));
    journal.Push(std::move(group));
    auto made = journal.NewGroupRecord();
    made->Kind = kUndoCreateDir;
    made->Side = 0;
    made->ItemType = kItemDir;
    made->Tmp1 = "/l/A";
    journal.Push(std::move(made));
    auto rename = journal.NewGroupRecord();
    rename->Kind = kUndoRename;
    rename->Side = 0;
    rename->ItemType = kItemDir;
    rename->Org1 = "/l/A";
    rename->Tmp1 = "/l/B";
    RetargetUndoPaths(journal, *rename, false);
    journal.Push(std::move(rename));

    const UndoRecord& deletes = *journal.undoList[2];
    EXPECT_EQ(deletes.Children[1]->Org1, "/l/B/x.txt");
    EXPECT_EQ(deletes.Children[1]->Tmp1, "/l/B/$diffundo01010000000000$x.txt");
    EXPECT_EQ(deletes.Children[0]->Org1, "/l/AB/y.txt");
    EXPECT_EQ(journal.undoList[1]->Tmp1, "/l/B");
    EXPECT_EQ(journal.undoList[0]->Org1, "/l/A");

    RetargetUndoPaths(journal, *journal.undoList[0], true);
    EXPECT_EQ(deletes.Children[1]->Org1, "/l/A/x.txt");
    EXPECT_EQ(journal.undoList[1]->Tmp1, "/l/A");
    EXPECT_EQ(journal.undoList[0]->Tmp1, "/l/B");
}

TEST(UndoJournal, PurgeDeletesOnlyRecordedBackups) {
    ScopedRunContext run;
    test::TestDir dir;
    dir.MakeTree({{"r/$diffundo01010000000000$f.txt", "old"},
                  {"r/$diffundo01010000000000$d/x", "old"},
                  {"r/f.txt", "new"},
                  {"r/d/x", "new"},
                  {"l/f.txt", "new"}});
    UndoJournal journal("0101000000");
    FileOpsContext ctx{RealFileSystem()};
    auto group = journal.NewGroupRecord();
    UndoJournal::Attach(*group, journal.NewItemRecord(kItemFile, kUndoCopy, 1, "", dir / "r/f.txt",
                                                      "", dir / "l/f.txt"));
    UndoJournal::Attach(
        *group, journal.NewItemRecord(kItemDir, kUndoCopy, 1, "", dir / "r/d", "", dir / "l/d"));
    // A record whose backup slot names a user's file must never delete it.
    auto forged = journal.NewItemRecord(kItemFile, kUndoCopy, 1, "", dir / "r/f.txt", "", "");
    forged->Tmp1 = dir / "l/f.txt";
    UndoJournal::Attach(*group, std::move(forged));
    journal.Push(std::move(group));
    ClearUndoJournal(ctx, journal);
    EXPECT_TRUE(journal.undoList.empty());
    EXPECT_EQ(dir.List(),
              (std::vector<std::string>{"l/", "l/f.txt", "r/", "r/d/", "r/d/x", "r/f.txt"}));
}

}  // namespace
}  // namespace quillon
