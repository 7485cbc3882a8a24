// A journalled delete killed mid-way leaves every file in place or under its backup name beside
// it, and the program's crash recovery run puts every one back, byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "core/Comparison.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "support/FakePrompter.h"
#include "support/FileOpsSupport.h"
#include "support/KillAtStep.h"
#include "support/RunProcess.h"

namespace quillon {
namespace {

constexpr int kFiles = 3000;

// The child deleting 3,000 files in six folders is killed by SIGKILL at a seeded step (two steps
// a file: a look and the rename aside; a last round may run to the end).
TEST(DeleteCrash, KilledDeleteIsRestoredByTheBackupsRun) {
    std::mt19937 random(20261206);
    int midway = 0;  // rounds killed with some files aside and some still in place
    for (int round = 0; round < 3; ++round) {
        test::TestDir dir;
        std::vector<test::TreeEntry> tree;
        for (int i = 0; i < kFiles; ++i) {
            tree.push_back({"t/d" + std::to_string(i % 6) + "/f" + std::to_string(i),
                            std::string(static_cast<size_t>(i % 97), char('a' + i % 26))});
        }
        dir.MakeTree(tree);
        const auto before = test::ByOriginalName(dir, "t");
        Comparison cmp;
        ASSERT_TRUE(cmp.CompareFolders(dir / "t", "", 0));
        std::vector<DiffItem*> rows;
        for (DiffItem* folder = cmp.rootItem->firstChild; folder; folder = folder->next) {
            if (!folder->IsDotDot() && cmp.ExpandFolder(folder, folder->row, false)) {
                for (DiffItem* f = folder->firstChild; f; f = f->next) {
                    rows.push_back(f);
                }
            }
        }
        const uint64_t at = std::uniform_int_distribution<uint64_t>(1, kFiles * 2 + 300)(random);
        const int status = test::RunKilledAtStep(at, [&](FaultFileSystem& fs) {
            UndoJournal journal(MakeRunTag("", time(nullptr)));
            FileOpsContext ctx(fs, &journal);
            test::FakePrompter prompter;
            const std::string opened[2] = {dir / "t", ""};
            DeleteSelectedItems(ctx, {cmp, opened, prompter}, 0, rows);
        });
        ASSERT_NE(status, -1);
        int aside = 0;
        EXPECT_EQ(test::ByOriginalName(dir, "t", &aside), before) << "killed at step " << at;
        midway += aside > 0 && aside < kFiles;

        const test::ProcessResult restore =
            test::RunProcess(test::QuillonProgram(), {"-Backups:Restore", dir / "t"},
                             {"DISPLAY=", "WAYLAND_DISPLAY=", "LC_ALL=C"});
        EXPECT_EQ(restore.status, 0) << restore.err;
        EXPECT_EQ(std::count(restore.out.begin(), restore.out.end(), '\n'), aside);
        aside = 0;
        EXPECT_EQ(test::ByOriginalName(dir, "t", &aside), before) << "killed at step " << at;
        EXPECT_EQ(aside, 0);
    }
    EXPECT_GE(midway, 2);
}

}  // namespace
}  // namespace quillon
