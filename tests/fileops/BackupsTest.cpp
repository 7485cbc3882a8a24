// Recovery after a crash: backup names read back, and the list, restore and purge of what a
// crashed run left on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/PathUtil.h"
#include "fileops/Backups.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

constexpr const char* kTag = "1206235901";

TEST(BackupNames, RoundTripThroughBackupName) {
    const struct {
        const char* tag;
        int32_t op;
        const char* original;
    } made[] = {{kTag, 0, "report.doc"},
                {kTag, 7, "a$b$c"},
                {"0101000000", 12345, "$diffundo"},
                {kTag, INT32_MAX, " x "}};
    for (const auto& m : made) {
        const std::string name(BaseName(BackupName(std::string("/d/") + m.original, m.tag, m.op)));
        const std::optional<BackupNameParts> parts = ParseBackupName(name);
        ASSERT_TRUE(parts.has_value()) << name;
        EXPECT_EQ(parts->runTag, m.tag) << name;
        EXPECT_EQ(parts->opNumber, m.op) << name;
        EXPECT_EQ(parts->original, m.original) << name;
    }
    // Names close to a backup's that BackupName never makes, so that nothing else is taken.
    for (const char* other :
         {"$diffundo12062359010007$", "$DIFFUNDO12062359010007$f", "$diffundo1206235901007$f",
          "$diffundo120623590100007$f", "$diffundo120623591a0007$f",
          "$diffundo12062359012147483648$f", "$diffundo12062359010007f", "$diffundoreport.doc",
          "$diffundo~part12-3$f", "x$diffundo12062359010007$f", "$diffundo12062359010007$..",
          "$diffundo1206235901-007$f"}) {
        EXPECT_FALSE(ParseBackupName(other).has_value()) << other;
    }
}

class Backups : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.MakeTree({{"t/f.txt", "now"},
                      {"t/$diffundo12062359010003$f.txt", "v1"},
                      {"t/$diffundo120623590110000$f.txt", "v3"},
                      {"t/$diffundo12062359019999$f.txt", "v2"},
                      {"t/sub/$diffundo01010000000001$gone/in/x", "12345"},
                      {"t/sub/$diffundo01010000000001$gone/$diffundo12062359010001$y", "n"},
                      {"t/sub/$diffundo~part77-1$copy.bin", "half"},
                      {"t/sub/$diffundoname", "not a backup"},
                      {"t/sub/$DIFFUNDO01010000000001$z", "not ours"},
                      {"outside/$diffundo12062359010001$o", "behind a link"},
                      {"outside/keep", "k"}});
        dir.Symlink("../../outside", "t/sub/link");
        dir.Symlink("../../outside", "t/sub/$diffundo01010000000002$link");
    }

    std::vector<std::string> Lines(std::string_view tag = {}) {
        BackupScan scan;
        EXPECT_EQ(FindBackups(RealFileSystem(), root, tag, scan), 0);
        EXPECT_EQ(scan.problems, std::vector<std::string>{});
        std::vector<std::string> lines;
        for (const FoundBackup& b : scan.backups) {
            lines.push_back(BackupLine(b));
        }
        return lines;
    }

    test::TestDir dir;
    std::string root = dir / "t";
};

// Backups are found at every level but never inside a backup or behind a link; a backup folder's
// size is its files', a link's its own; temporaries show with their own tag.
TEST_F(Backups, ListsEveryBackupOnce) {
    const time_t t = 1714979289;  // 2024-05-06 07:08:09 UTC
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    utimensat(AT_FDCWD, (root + "/$diffundo12062359010003$f.txt").c_str(), times, 0);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], std::string(kTag) + "\t0003\t2\t2024-05-06T07:08:09Z\t" + root +
                            "/$diffundo12062359010003$f.txt\t" + root + "/f.txt");
    const std::string sub = root + "/sub/";
    const struct {
        size_t line;
        std::string start;
        std::string end;
    } expected[] = {
        {1, std::string(kTag) + "\t10000\t2\t", "\t" + root + "/f.txt"},
        {2, std::string(kTag) + "\t9999\t2\t", "\t" + root + "/f.txt"},
        {3, "0101000000\t0001\t6\t", "\t" + sub + "$diffundo01010000000001$gone\t" + sub + "gone"},
        {4, "0101000000\t0002\t" + std::to_string(std::string("../../outside").size()) + "\t",
         "$link\t" + sub + "link"},
        {5, "~part\t77-1\t4\t", "\t" + sub + "$diffundo~part77-1$copy.bin\t" + sub + "copy.bin"}};
    for (const auto& e : expected) {
        EXPECT_EQ(lines[e.line].rfind(e.start, 0), 0u) << lines[e.line];
        EXPECT_TRUE(lines[e.line].ends_with(e.end)) << lines[e.line];
    }
    EXPECT_EQ(Lines("~part"), std::vector<std::string>{lines[5]});
    EXPECT_EQ(Lines("0101000000"), (std::vector<std::string>{lines[3], lines[4]}));
    BackupScan scan;
    EXPECT_EQ(FindBackups(RealFileSystem(), dir / "t/f.txt", {}, scan), ENOTDIR);
    EXPECT_EQ(FindBackups(RealFileSystem(), dir / "none", {}, scan), ENOENT);
}

// The newest backup of an original goes back (op 10000 sorts before 9999 as a name); the older
// ones, a name in use and every temporary stay.
TEST_F(Backups, RestoreNewestWithoutReplacing) {
    ASSERT_EQ(unlink((dir / "t/f.txt").c_str()), 0);
    ASSERT_EQ(unlink((dir / "t/sub/link").c_str()), 0);
    BackupScan scan;
    ASSERT_EQ(FindBackups(RealFileSystem(), root, {}, scan), 0);
    dir.WriteFile("t/sub/gone", "made since");
    std::vector<std::string> problems;
    const std::vector<const FoundBackup*> restored =
        RestoreBackups(RealFileSystem(), scan.backups, problems);
    ASSERT_EQ(restored.size(), 2u);
    EXPECT_EQ(restored[0]->original, root + "/f.txt");
    EXPECT_EQ(dir.ReadFile("t/f.txt"), "v3");
    EXPECT_EQ(restored[1]->original, root + "/sub/link");
    EXPECT_EQ(dir.ReadFile("t/sub/link/keep"), "k");
    EXPECT_EQ(dir.ReadFile("t/sub/gone"), "made since");
    EXPECT_EQ(dir.ReadFile("t/sub/$diffundo01010000000001$gone/in/x"), "12345");
    ASSERT_EQ(problems.size(), 3u);
    for (const std::string& problem : problems) {
        EXPECT_TRUE(problem.starts_with(root + "/")) << problem;
    }
    EXPECT_NE(problems[0].find("$diffundo12062359010003$f.txt: not restored, the newer backup " +
                               root + "/$diffundo120623590110000$f.txt"),
              std::string::npos)
        << problems[0];
    EXPECT_NE(problems[2].find("$gone: not restored, " + root + "/sub/gone is in use"),
              std::string::npos)
        << problems[2];
    EXPECT_TRUE(dir.Exists("t/sub/$diffundo~part77-1$copy.bin"));
}

// Only the run asked for goes; a backup folder goes as a tree without following its links.
TEST_F(Backups, PurgeDeletesWhatWasListed) {
    dir.Symlink("../../../../outside", "t/sub/$diffundo01010000000001$gone/in/out");
    BackupScan scan;
    ASSERT_EQ(FindBackups(RealFileSystem(), root, "0101000000", scan), 0);
    std::vector<std::string> problems;
    PurgeBackups(RealFileSystem(), scan.backups, problems);
    EXPECT_EQ(problems, std::vector<std::string>{});
    EXPECT_EQ(dir.List("t/sub"),
              (std::vector<std::string>{"$DIFFUNDO01010000000001$z", "$diffundoname",
                                        "$diffundo~part77-1$copy.bin", "link"}));
    EXPECT_EQ(dir.List("outside"), (std::vector<std::string>{"$diffundo12062359010001$o", "keep"}));
    scan = {};
    ASSERT_EQ(FindBackups(RealFileSystem(), root, {}, scan), 0);
    PurgeBackups(RealFileSystem(), scan.backups, problems);
    EXPECT_EQ(dir.List("t"),
              (std::vector<std::string>{"f.txt", "sub/", "sub/$DIFFUNDO01010000000001$z",
                                        "sub/$diffundoname", "sub/link"}));
}

// A restore whose move fails leaves the backup where it is and says why; on a file system
// without the no-replace flag a file still goes back by a second link, which a name in use
// refuses just as well.
TEST_F(Backups, RestoreFaults) {
    const struct {
        const char* why;
        bool every;
        int error;
        bool inUse;
        const char* says;  // empty: restored
    } cases[] = {{"move fails", false, EIO, false, "not restored: Input/output error"},
                 {"no flag", true, EINVAL, false, ""},
                 {"no flag, name in use", true, EINVAL, true, "is in use"}};
    for (const auto& c : cases) {
        test::TestDir d;
        d.MakeTree({{"$diffundo12062359010001$f", "old"}});
        if (c.inUse) {
            d.WriteFile("f", "new");
        }
        FaultFileSystem fs;
        if (c.every) {
            fs.FailEvery(FsCall::Rename, c.error);
        } else {
            fs.FailNth(FsCall::Rename, 1, c.error);
        }
        BackupScan scan;
        ASSERT_EQ(FindBackups(fs, d.Path(), {}, scan), 0) << c.why;
        std::vector<std::string> problems;
        const size_t restored = RestoreBackups(fs, scan.backups, problems).size();
        if (std::string(c.says).empty()) {
            EXPECT_EQ(restored, 1u) << c.why;
            EXPECT_EQ(d.List(), std::vector<std::string>{"f"}) << c.why;
            EXPECT_EQ(d.ReadFile("f"), "old") << c.why;
            continue;
        }
        EXPECT_EQ(restored, 0u) << c.why;
        ASSERT_EQ(problems.size(), 1u) << c.why;
        EXPECT_NE(problems[0].find(c.says), std::string::npos) << problems[0];
        EXPECT_EQ(d.ReadFile("$diffundo12062359010001$f"), "old") << c.why;
        EXPECT_EQ(d.Exists("f") ? d.ReadFile("f") : "", c.inUse ? "new" : "") << c.why;
    }
}

}  // namespace
}  // namespace quillon
