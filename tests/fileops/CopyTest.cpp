// Copies and moves on the real disk: a copy never writes into the file it replaces, trees keep
// links as links and leave special files alone, and the same file or folder under two names is
// never copied onto itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "fileops/CopyFilesDirsTo.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "platform/RunContext.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/FileOpsSupport.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using Names = std::vector<std::string>;

std::string Format(const char* format, const char* arg) {
    char text[512];
    std::snprintf(text, sizeof text, format, arg);
    return text;
}

// With and without O_TMPFILE (the named temporary then takes its place).
class CopyFile : public ::testing::TestWithParam<bool> {};

TEST_P(CopyFile, ReplacesByRenameKeepingModeAndTime) {
    test::TestDir dir;
    const time_t when = test::LocalTime(2020, 5, 6, 7, 8, 9);
    dir.MakeTree({{"s/a.txt", "new data", when}, {"d/a.txt", "old"}});
    chmod((dir / "s/a.txt").c_str(), 0640);
    // A second name of the old destination shows whether its bytes were written over.
    link((dir / "d/a.txt").c_str(), (dir / "keep").c_str());
    FaultFileSystem fs;
    if (GetParam()) {
        fs.WithoutTmpFile();
    }
    FileOpsContext ctx{fs};
    ASSERT_EQ(CopyFileCreatingParent(ctx, dir / "s/a.txt", dir / "d/a.txt"), 0);
    ASSERT_EQ(CopyFileCreatingParent(ctx, dir / "s/a.txt", dir / "d/new/chain/a.txt"), 0);
    EXPECT_EQ(dir.ReadFile("keep"), "old");
    for (const char* copy : {"d/a.txt", "d/new/chain/a.txt"}) {
        struct stat st {};
        ASSERT_EQ(stat((dir / copy).c_str(), &st), 0);
        EXPECT_EQ(dir.ReadFile(copy), "new data");
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(st.st_mtime, when);
    }
    EXPECT_EQ(dir.List("d"), (Names{"a.txt", "new/", "new/chain/", "new/chain/a.txt"}));
    EXPECT_EQ(CopyFileCreatingParent(ctx, dir / "s/a.txt", dir / "s/a.txt"), EINVAL);
}

INSTANTIATE_TEST_SUITE_P(TmpFile, CopyFile, ::testing::Bool());

TEST(CopyFolderTree, LinksStayLinksSpecialFilesAndBackupsAreSkipped) {
    test::TestDir dir;
    dir.MakeTree({{"s/f.txt", "f"},
                  {"s/sub/g.txt", "g"},
                  {"s/$diffundo01010000000000$f.txt", "b"},
                  {"s/$DIFFx", "b"},
                  {"d/", ""}});
    dir.Symlink("f.txt", "s/link");
    dir.MakeFifo("s/pipe");
    FileOpsContext ctx{RealFileSystem()};
    EXPECT_EQ(CopyFolderTree(ctx, dir / "s", dir / "d", true), kTreeCopiedSome);
    EXPECT_EQ(dir.List("d"), (Names{"f.txt", "link", "sub/", "sub/g.txt"}));
    char target[16] = {};
    EXPECT_EQ(readlink((dir / "d/link").c_str(), target, sizeof target), 5);
    EXPECT_STREQ(target, "f.txt");
    EXPECT_NE(ctx.report.find(dir / "s/pipe"), std::string::npos) << ctx.report;
    EXPECT_EQ(CopyFolderTree(ctx, dir / "missing", dir / "d", true), kTreeCopiedNone);
}

// Batches of one, of two (ending inside a folder) and of the whole tree: every file lands with
// the source's bytes, the folders get the source's times after their files went in, no
// temporary is left, and a source that grows while it is read fails alone.
class CopyBatches : public ::testing::TestWithParam<size_t> {};

TEST_P(CopyBatches, CopyTheTreeAndFailAChangedSource) {
    test::TestDir dir;
    const time_t when = test::LocalTime(2021, 1, 2, 3, 4, 5);
    dir.MakeTree({{"s/a", "a"}, {"s/b", "b"}, {"s/sub/c", "c"}, {"s/z", "z"}, {"d/b", "old"}});
    const auto copy = [&](FaultFileSystem& fs, const char* to) {
        struct timespec times[2] = {{when, 0}, {when, 0}};
        utimensat(AT_FDCWD, (dir / "s/sub").c_str(), times, 0);
        FileOpsContext ctx{fs};
        ctx.batch.files = GetParam();
        return CopyFolderTree(ctx, dir / "s", dir / to, true);
    };
    FaultFileSystem clean;
    ASSERT_EQ(copy(clean, "d"), kTreeCopiedAll);
    EXPECT_EQ(dir.List("d"), (Names{"a", "b", "sub/", "sub/c", "z"}));
    EXPECT_EQ(dir.ReadFile("d/b") + dir.ReadFile("d/sub/c"), "bc");
    struct stat st {};
    ASSERT_EQ(stat((dir / "d/sub").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, when);
    // The second data copy is b's: it grows just before its data is read.
    const std::vector<FsCall> trace = clean.Trace();
    const auto first = std::find(trace.begin(), trace.end(), FsCall::Clone);
    const uint64_t at = std::find(first + 1, trace.end(), FsCall::Clone) - trace.begin();
    FaultFileSystem growing;
    growing.SetStepHook([&] {
        if (growing.Steps() == at) {
            dir.WriteFile("s/b", "b grown");
        }
    });
    EXPECT_EQ(copy(growing, "e"), kTreeCopiedSome);
    EXPECT_EQ(dir.List("e"), (Names{"a", "sub/", "sub/c", "z"}));
}

INSTANTIATE_TEST_SUITE_P(Sizes, CopyBatches, ::testing::Values(1, 2, 1024));

class CopyTo : public ::testing::Test {
  protected:
    CopyToResult Run(int side, const std::string& to, const Names& sources, bool copy = true,
                     FileOpsContext* with = nullptr) {
        Names paths;
        for (const std::string& source : sources) {
            paths.push_back(dir / source);
        }
        return CopyFilesDirsTo(with ? *with : ctx, prompter, asker, side, dir / to, paths, copy);
    }

    ScopedRunContext run;
    test::TestDir dir;
    UndoJournal journal{"0101000000"};
    FileOpsContext ctx{RealFileSystem()};
    FileOpsContext journalled{RealFileSystem(), &journal};
    test::FakePrompter prompter;
    test::FakeAsker asker;
};

// A copy into its own folder takes the next free copy name; a folder into itself is refused.
TEST_F(CopyTo, IntoItsOwnFolderTakesCopyNames) {
    dir.MakeTree({{"f/report.doc", "r"}, {"f/README", "m"}, {"f/sub/x", "x"}});
    for (int i = 0; i < 3; ++i) {
        Run(0, "f", {"f/report.doc"});
    }
    Run(0, "f", {"f/README", "f/sub"});
    EXPECT_EQ(dir.List("f"),
              (Names{"README", "README - Copy", "report - Copy (1).doc", "report - Copy (2).doc",
                     "report - Copy.doc", "report.doc", "sub/", "sub/x"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Format(kSameFolderFormat, "sub"));
    EXPECT_EQ(prompter.shown[0].caption, "Error Copying File or Folder");
    EXPECT_TRUE(asker.asked.empty());
}

// The same item under two names is found by device and inode: a hard-linked pair, a folder
// copied into itself through a link; a destination that is a link to a folder is used as given.
TEST_F(CopyTo, AliasesAreRefusedWithAMessage) {
    dir.MakeTree({{"s/a.txt", "a"}, {"s/d/x.txt", "x"}, {"real/", ""}, {"t/", ""}});
    ASSERT_EQ(link((dir / "s/a.txt").c_str(), (dir / "t/a.txt").c_str()), 0);
    dir.Symlink(dir / "s/d", "into");
    dir.Symlink(dir / "real", "root");
    Run(1, "t", {"s/a.txt"}, true, &journalled);
    Run(1, "into", {"s/d"}, true, &journalled);
    Run(1, "root", {"s/d"}, true, &journalled);
    EXPECT_EQ(prompter.Texts(),
              (Names{Format(kSameFileFormat, "a.txt"), Format(kIntoItselfFormat, "d")}));
    EXPECT_EQ(dir.List(), (Names{"into", "real/", "real/d/", "real/d/x.txt", "root", "s/",
                                 "s/a.txt", "s/d/", "s/d/x.txt", "t/", "t/a.txt"}));
    EXPECT_EQ(dir.ReadFile("t/a.txt"), "a");
    EXPECT_EQ(journal.undoList.size(), 1u);
}

// A folder merged over one asks once, keeps the replaced folder whole as its backup, and the
// purge removes that backup only.
TEST_F(CopyTo, MergeIsBackedUpJournalledAndPurged) {
    dir.MakeTree({{"s/d/a", "new a"}, {"s/d/b", "new b"}, {"t/d/a", "old a"}, {"t/d/c", "c"}});
    EXPECT_EQ(Run(1, "t", {"s/d"}, true, &journalled).done, 1);
    EXPECT_EQ(asker.asked, Names{"d"});
    ASSERT_EQ(journal.undoList.size(), 1u);
    EXPECT_EQ(dir.List("t"), (Names{"$diffundo01010000000000$d/", "$diffundo01010000000000$d/a",
                                    "$diffundo01010000000000$d/c", "d/", "d/a", "d/b", "d/c"}));
    EXPECT_EQ(dir.ReadFile("t/$diffundo01010000000000$d/a"), "old a");
    EXPECT_EQ(dir.ReadFile("t/d/a"), "new a");
    ClearUndoJournal(journalled, journal);
    EXPECT_EQ(dir.List("t"), (Names{"d/", "d/a", "d/b", "d/c"}));
}

// Yes to All is asked once for the rest of the call; Cancel ends the call with nothing replaced.
TEST_F(CopyTo, YesToAllAsksOnceAndCancelEndsTheCall) {
    dir.MakeTree(
        {{"s/x", "1"}, {"s/y", "2"}, {"s/z", "3"}, {"t/x", "o"}, {"t/y", "o"}, {"t/z", "o"}});
    asker.answer = mbr::kYesToAll;
    Run(1, "t", {"s/x", "s/y"});
    EXPECT_EQ(asker.asked, Names{"x"});
    EXPECT_EQ(dir.ReadFile("t/y"), "2");
    asker.answer = mbr::kCancel;
    EXPECT_TRUE(Run(1, "t", {"s/z", "s/x"}).cancelled);
    EXPECT_EQ(dir.ReadFile("t/z"), "o");
}

// A move is one rename on the same file system; across file systems (EXDEV) each entry is
// copied, checked and only then removed from the source.
TEST_F(CopyTo, MoveRenamesOrCopiesAcrossFileSystems) {
    dir.MakeTree({{"s/m.txt", "m"}, {"s/n.txt", "n"}, {"s/d/x", "x"}, {"s/e/y", "y"}, {"t/", ""}});
    struct stat before {};
    stat((dir / "s/m.txt").c_str(), &before);
    Run(1, "t", {"s/m.txt", "s/d"}, false);
    struct stat after {};
    stat((dir / "t/m.txt").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);

    FaultFileSystem crossing;
    crossing.FailEvery(FsCall::Rename, EXDEV);
    FileOpsContext across{crossing};
    Run(1, "t", {"s/n.txt", "s/e"}, false, &across);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(dir.List(),
              (Names{"s/", "t/", "t/d/", "t/d/x", "t/e/", "t/e/y", "t/m.txt", "t/n.txt"}));
}

// A move across file systems cancelled half-way keeps every entry at its source or its
// destination: what already moved is the only copy and must not be cleaned away.
TEST_F(CopyTo, CancelledMoveKeepsWhatMoved) {
    dir.MakeTree({{"s/f/1", "1"}, {"s/f/2", "2"}, {"s/f/3", "3"}, {"t/", ""}});
    FaultFileSystem crossing;
    crossing.FailEvery(FsCall::Rename, EXDEV);
    test::ProgressRecord record;
    test::FakeProgressSink progress(record, 2);
    FileOpsContext across{crossing};
    across.progress = &progress;
    EXPECT_TRUE(Run(1, "t", {"s/f"}, false, &across).cancelled);
    for (const char* name : {"1", "2", "3"}) {
        EXPECT_NE(dir.Exists(std::string("s/f/") + name), dir.Exists(std::string("t/f/") + name))
            << name;
    }
    EXPECT_TRUE(dir.Exists("t/f/1")) << "the cancel came before anything moved";
}

}  // namespace
}  // namespace quillon
