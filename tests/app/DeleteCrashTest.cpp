// A journalled delete killed mid-way: every file is in place or under its backup name beside it,
// and the program's crash recovery run puts every one back, byte for byte.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "support/FakePrompter.h"
#include "support/RunProcess.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

constexpr int kFolders = 6;
constexpr int kFiles = 3000;

std::map<std::string, std::string> Files(const test::TestDir& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& path : dir.List("t")) {
        if (!path.ends_with("/")) {
            files[path] = dir.ReadFile(path);
        }
    }
    return files;
}

TEST(DeleteCrash, KilledDeleteIsRestoredByTheBackupsRun) {
    ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
    std::mt19937 random(20261206);
    // Two steps per file (a look and the rename aside); the last round may run to the end.
    std::uniform_int_distribution<uint64_t> killAt(1, kFiles * 2 + 200);
    int midway = 0;  // rounds killed with some files aside and some still in place
    for (int round = 0; round < 4; ++round) {
        test::TestDir dir;
        std::vector<test::TreeEntry> tree;
        for (int i = 0; i < kFiles; ++i) {
            tree.push_back({"t/d" + std::to_string(i % kFolders) + "/f" + std::to_string(i),
                            std::string(static_cast<size_t>(i % 97), 'a' + i % 26)});
        }
        dir.MakeTree(tree);
        const std::map<std::string, std::string> before = Files(dir);
        Comparison cmp;
        ASSERT_TRUE(cmp.CompareFolders(dir / "t", "", 0));
        std::vector<DiffItem*> rows;
        for (DiffItem* folder = cmp.rootItem->firstChild; folder; folder = folder->next) {
            if (!folder->IsDotDot()) {
                cmp.ExpandFolder(folder, folder->row, false);
                for (DiffItem* f = folder->firstChild; f; f = f->next) {
                    rows.push_back(f);
                }
            }
        }
        ASSERT_EQ(rows.size(), size_t{kFiles});
        int ticks[2];
        ASSERT_EQ(pipe(ticks), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ticks[0]);
            FaultFileSystem fs;
            fs.SetStepHook([fd = ticks[1]] {
                const char tick = 0;
                (void)!write(fd, &tick, 1);
            });
            UndoJournal journal(MakeRunTag("", time(nullptr)));
            FileOpsContext ctx(fs, &journal);
            test::FakePrompter prompter;
            const std::string opened[2] = {dir / "t", ""};
            DeleteSelectedItems(ctx, {cmp, opened, prompter, nullptr, nullptr}, 0, rows);
            _exit(0);
        }
        close(ticks[1]);
        const uint64_t at = killAt(random);
        char buffer[256];
        for (uint64_t seen = 0; seen < at;) {
            const ssize_t got =
                read(ticks[0], buffer, std::min<uint64_t>(sizeof buffer, at - seen));
            if (got <= 0) {
                break;
            }
            seen += static_cast<uint64_t>(got);
        }
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ticks[0]);

        const std::map<std::string, std::string> after = Files(dir);
        int aside = 0;
        for (const auto& [path, bytes] : after) {
            const size_t slash = path.rfind('/');
            if (const auto parts = ParseBackupName(path.substr(slash + 1))) {
                const std::string original = path.substr(0, slash + 1) + parts->original;
                EXPECT_FALSE(after.contains(original)) << original;
                EXPECT_EQ(before.at(original), bytes) << path;
                ++aside;
            } else {
                EXPECT_EQ(before.at(path), bytes) << path;
            }
        }
        EXPECT_EQ(after.size(), before.size()) << "killed at step " << at;
        midway += aside > 0 && aside < kFiles;

        const test::ProcessResult restore =
            test::RunProcess(test::QuillonProgram(), {"-Backups:Restore", dir / "t"},
                             {"DISPLAY=", "WAYLAND_DISPLAY=", "LC_ALL=C"});
        EXPECT_EQ(restore.status, 0) << restore.err;
        EXPECT_EQ(std::count(restore.out.begin(), restore.out.end(), '\n'), aside);
        EXPECT_EQ(Files(dir), before) << "killed at step " << at;
    }
    EXPECT_GE(midway, 2);
}

}  // namespace
}  // namespace quillon
