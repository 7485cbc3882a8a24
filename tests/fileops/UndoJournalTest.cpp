// Backup names, the records' path rules and the purge, which deletes only recorded backups.
#include <gtest/gtest.h>

#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/RunContext.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

// A copy's backup is named after the item it replaces even where the source's name differs in
// case; a one-sided delete has no second backup. (Numbering and the other names show in the
// journal's texts.)
TEST(UndoJournal, BackupsAreNamedAfterTheReplacedItem) {
    ScopedRunContext run;
    UndoJournal journal("0101000000");
    journal.NewGroupRecord();
    auto copy = journal.NewItemRecord(kItemFile, kUndoCopy, 1, "", "/r/A.txt", "", "/l/a.TXT");
    EXPECT_EQ(copy->Tmp2, "/l/a.TXT");
    EXPECT_EQ(copy->Tmp1, "/r/$diffundo01010000000000$A.txt");
    auto left = journal.NewItemRecord(kItemFile, kUndoDelete, 0, "/l/f", "/r/f", "/l/f", "/r/f");
    EXPECT_EQ(left->Tmp2, "");
}

// The purge deletes only the backups the journal records.
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
