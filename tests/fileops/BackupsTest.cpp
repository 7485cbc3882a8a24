// Recovery after a crash: backup names read back, and the list, restore and purge of what a
// crashed run left on disk.
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/PathUtil.h"
#include "fileops/Backups.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "support/TestDir.h"
#include "support/Unprivileged.h"

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
    EXPECT_EQ(MakeRunTag("1206_235901", 0), kTag);
    EXPECT_EQ(MakeRunTag("", 0).size(), 10u);
    EXPECT_EQ(BackupName("/a/b/report.doc", kTag, 7), "/a/b/$diffundo12062359010007$report.doc");
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

    // Each line without its time, which a test pins once.
    std::vector<std::string> Lines(std::string_view tag = {}) {
        BackupScan scan;
        EXPECT_EQ(FindBackups(RealFileSystem(), root, tag, scan), 0);
        EXPECT_EQ(scan.problems, std::vector<std::string>{});
        std::vector<std::string> lines;
        for (const FoundBackup& b : scan.backups) {
            std::string line = BackupLine(b);
            const size_t time = line.find('\t', line.find('\t', line.find('\t') + 1) + 1);
            lines.push_back(line.erase(time, line.find('\t', time + 1) - time));
        }
        return lines;
    }

    test::TestDir dir;
    std::string root = dir / "t";
    std::string sub = root + "/sub/";
};

// Backups are found at every level but never inside a backup or behind a link; a backup folder's
// size is its files', a link's its own; temporaries show with their own tag.
TEST_F(Backups, ListsEveryBackupOnce) {
    const struct timespec times[2] = {{1714979289, 0}, {1714979289, 0}};
    utimensat(AT_FDCWD, (root + "/$diffundo12062359010003$f.txt").c_str(), times, 0);
    BackupScan scan;
    ASSERT_EQ(FindBackups(RealFileSystem(), root, {}, scan), 0);
    EXPECT_EQ(BackupLine(scan.backups.at(0)), "1206235901\t0003\t2\t2024-05-06T07:08:09Z\t" + root +
                                                  "/$diffundo12062359010003$f.txt\t" + root +
                                                  "/f.txt");
    const std::string f = root + "/f.txt";
    const std::vector<std::string> lines = Lines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "1206235901\t0003\t2\t" + root + "/$diffundo12062359010003$f.txt\t" + f,
                  "1206235901\t10000\t2\t" + root + "/$diffundo120623590110000$f.txt\t" + f,
                  "1206235901\t9999\t2\t" + root + "/$diffundo12062359019999$f.txt\t" + f,
                  "0101000000\t0001\t6\t" + sub + "$diffundo01010000000001$gone\t" + sub + "gone",
                  "0101000000\t0002\t13\t" + sub + "$diffundo01010000000002$link\t" + sub + "link",
                  "~part\t77-1\t4\t" + sub + "$diffundo~part77-1$copy.bin\t" + sub + "copy.bin"}));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Lines("~part"), std::vector<std::string>{lines[5]});
    EXPECT_EQ(Lines("0101000000"), (std::vector<std::string>{lines[3], lines[4]}));
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
    EXPECT_EQ(restored[1]->original, sub + "link");
    EXPECT_EQ(dir.ReadFile("t/f.txt"), "v3");
    EXPECT_EQ(dir.ReadFile("t/sub/link/keep"), "k");
    EXPECT_EQ(dir.ReadFile("t/sub/gone"), "made since");
    const std::string newer = ": not restored, the newer backup " + root +
                              "/$diffundo120623590110000$f.txt is the one for " + root + "/f.txt";
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  root + "/$diffundo12062359010003$f.txt" + newer,
                  root + "/$diffundo12062359019999$f.txt" + newer,
                  sub + "$diffundo01010000000001$gone: not restored, " + sub + "gone is in use"}));
    EXPECT_EQ(dir.ReadFile("t/sub/$diffundo01010000000001$gone/in/x"), "12345");
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
    const std::string b = "$diffundo12062359010001$f";
    const struct {
        int error;
        bool every;
        bool inUse;
        std::vector<std::string> left;
        const char* f;  // its bytes afterwards
        const char* says;
    } cases[] = {{EIO, false, false, {b}, "", ": not restored: Input/output error"},
                 {EINVAL, true, false, {"f"}, "old", ""},
                 {EINVAL, true, true, {b, "f"}, "new", "/f is in use"}};
    for (const auto& c : cases) {
        test::TestDir d;
        d.MakeTree({{b, "old"}});
        if (c.inUse) {
            d.WriteFile("f", "new");
        }
        FaultFileSystem fs;
        c.every ? fs.FailEvery(FsCall::Rename, c.error) : fs.FailNth(FsCall::Rename, 1, c.error);
        BackupScan scan;
        ASSERT_EQ(FindBackups(fs, d.Path(), {}, scan), 0);
        std::vector<std::string> problems;
        RestoreBackups(fs, scan.backups, problems);
        EXPECT_EQ(d.List(), c.left) << c.says;
        EXPECT_EQ(d.ReadFile("f"), c.f) << c.says;
        EXPECT_EQ(d.ReadFile(b), c.left[0] == b ? "old" : "") << c.says;
        EXPECT_EQ(problems.size(), *c.says != 0 ? 1u : 0u) << c.says;
        EXPECT_TRUE(problems.empty() || problems[0].ends_with(c.says)) << problems[0];
    }
}

// A folder that cannot be read may hide backups: it is a problem, and the walk goes on.
TEST(BackupsUnreadable, FolderIsAProblem) {
    test::TestDir d;
    d.MakeTree({{"a/$diffundo12062359010001$f", "x"}, {"b/$diffundo12062359010001$g", "y"}});
    test::OpenToNobody(d);
    chmod((d / "a").c_str(), 0);
    const std::optional<std::string> seen = test::RunAsNobody([&] {
        BackupScan scan;
        FindBackups(RealFileSystem(), d.Path(), {}, scan);
        std::string out;
        for (const FoundBackup& b : scan.backups) {
            out += b.path + "\n";
        }
        for (const std::string& problem : scan.problems) {
            out += problem + "\n";
        }
        return out;
    });
    EXPECT_EQ(seen,
              d / "b/$diffundo12062359010001$g\ncannot read " + d / "a" + ": Permission denied\n");
}

}  // namespace
}  // namespace quillon
