#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <tuple>

#include "platform/Log.h"
#include "platform/RunContext.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

class LogTest : public test::StoreFixture {
  protected:
    LogTest() {
        RunContext::Current().log.clock = [] { return test::LocalTime(2026, 3, 4, 5, 6, 7); };
        dir_.MakeFolder("elsewhere");
    }
    static struct stat Lstat(const std::string& path) {
        struct stat st {};
        ::lstat(path.c_str(), &st);
        return st;
    }
    std::string LogDir() { return Dir() / "tmp/quillon_log"; }
    std::vector<std::string> LogFiles() { return dir_.List("tmp/quillon_log"); }

    test::TestDir& dir_ = Dir();
};

// Error texts are composed (an unknown code too) with no log open or logging off; no file is made.
TEST_F(LogTest, ErrorTextIsComposedWithLoggingOffAndNoFileIsTouched) {
    SetLogEnabled(true);
    Log("early");
    SwitchToSideLog("timer", "txt");
    Log("early side");
    RestoreMainLog();
    EXPECT_TRUE(GetLogPath().empty());
    SetLogEnabled(false);
    OpenLog("Quillon", "log", true);
    ASSERT_FALSE(IsLogEnabled());
    std::string text = LogError(ENOENT, "Cannot open %s", "a.txt");
    EXPECT_EQ(text, std::string("Cannot open a.txt\tErrorCode: [2]=") + std::strerror(ENOENT));
    EXPECT_EQ(LogError(0, "Copy %d files", 3), "Copy 3 files: OK");
    EXPECT_EQ(Log("plain %s", "text"), "plain text");
    EXPECT_TRUE(LogFiles().empty());
    text = LogError(987654, "x");
    EXPECT_EQ(text.rfind("x\tErrorCode: [987654]=", 0), 0u) << text;
    EXPECT_GT(text.size(), std::strlen("x\tErrorCode: [987654]="));
}

// The file is named by the run stamp and reopened by a second start; lines follow the time switch.
TEST_F(LogTest, RunStampNamesTheFileAndLinesFollowTheTimestampSwitch) {
    bool asked = false;
    const auto setting = [&] {
        asked = true;
        return false;
    };
    const std::string path = OpenLog("Quillon", "log", true, setting);
    EXPECT_FALSE(asked);
    EXPECT_EQ(path, LogDir() + "/Quillon-0304_050607.log");
    EXPECT_EQ(GetLogStamp(), "0304_050607");
    EXPECT_EQ(GetLogFolder(), LogDir());
    EXPECT_EQ(GetLogPath(), path);
    SetLogEnabled(true);
    Log("hello world");
    Log("%s", "");
    EXPECT_EQ(OpenLog("Quillon", "log", false, setting), path);
    EXPECT_TRUE(asked);
    Log("tab\there");
    Log("%s", "");
    std::string huge(200000, 'b');
    huge[1000] = 'c';
    EXPECT_EQ(Log("%s", huge.c_str()), huge);
    EXPECT_EQ(ReadText(path),
              "[03/04/26 05:06:07] hello world\n[03/04/26 05:06:07]\ntab\there\n\n" + huge + "\n");
    EXPECT_TRUE(OpenLog("", "log", true).empty());
    EXPECT_TRUE(OpenLog("Quillon", "", true).empty());
}

// A side log is written with logging off; each side log ends in the state of the run's first one.
TEST_F(LogTest, SideLogsRestoreTheFirstSideLogsState) {
    std::string mainPath = OpenLog("Quillon", "log", false, [] { return false; });
    ASSERT_FALSE(IsLogEnabled());
    SwitchToSideLog("timer", "txt");
    std::string sidePath = GetLogPath();
    EXPECT_EQ(sidePath, mainPath.substr(0, mainPath.size() - 4) + "_timer.txt");
    Log("refresh decided");
    RestoreMainLog();
    EXPECT_FALSE(IsLogEnabled());
    EXPECT_EQ(GetLogPath(), mainPath);
    Log("not written");
    EXPECT_EQ(ReadText(sidePath), "refresh decided\n");
    EXPECT_EQ(LogFiles().size(), 1u);
    SetLogEnabled(true);
    Log("main on");
    SwitchToSideLog("timer", "txt");
    SwitchToSideLog("PDF", "txt");
    EXPECT_EQ(GetLogPath(), mainPath.substr(0, mainPath.size() - 4) + "_PDF.txt");
    RestoreMainLog();
    EXPECT_FALSE(IsLogEnabled());
    EXPECT_EQ(GetLogPath(), mainPath);
    Log("not written");
    EXPECT_EQ(ReadText(mainPath), "main on\n");
    ScopedRunContext onAtFirst;
    OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    SwitchToSideLog("undo", "txt");
    RestoreMainLog();
    SetLogEnabled(false);
    SwitchToSideLog("undo", "txt");
    RestoreMainLog();
    EXPECT_TRUE(IsLogEnabled()) << "on at the first side log stays on after every later one";
}

// Pruning keeps the three highest names of the pattern, a user's file of that pattern included.
TEST_F(LogTest, PruningKeepsTheThreeNewest) {
    dir_.MakeTree({{"tmp/quillon_log/Quillon-0101_000001.log", "1"},
                   {"tmp/quillon_log/Quillon-0101_000002.log", "2"},
                   {"tmp/quillon_log/Quillon-0102_000000.log", "3"},
                   {"tmp/quillon_log/Quillon-1231_235959.log", "4"},
                   {"tmp/quillon_log/Quillon-0601_120000.log", "5"},
                   {"tmp/quillon_log/Quillon-0101_000000_timer.txt", "t"},
                   {"tmp/quillon_log/Other-0101_000000.log", "o"},
                   {"tmp/quillon_log/Quillon-dir.log/", ""}});
    PruneLogs("Quillon", "log");
    EXPECT_EQ(LogFiles(),
              (std::vector<std::string>{"Other-0101_000000.log", "Quillon-0101_000000_timer.txt",
                                        "Quillon-0102_000000.log", "Quillon-0601_120000.log",
                                        "Quillon-1231_235959.log", "Quillon-dir.log/"}));
    dir_.WriteFile("tmp/quillon_log/Quillon-notes.log", "mine");
    PruneLogs("Quillon", "log");
    EXPECT_FALSE(dir_.Exists("tmp/quillon_log/Quillon-0102_000000.log"));
    EXPECT_TRUE(dir_.Exists("tmp/quillon_log/Quillon-notes.log"));
}

// A start prunes before its own file exists: three previous runs plus the current one remain.
TEST_F(LogTest, RepeatedStartsKeepThreePreviousRuns) {
    for (int run = 1; run <= 4; ++run) {
        dir_.WriteFile("tmp/quillon_log/Quillon-0000_00000" + std::to_string(run) + ".log", "old");
    }
    ScopedRunContext fifthRun;
    std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    Log("fifth run");
    EXPECT_EQ(LogFiles().size(), 4u);
    EXPECT_FALSE(dir_.Exists("tmp/quillon_log/Quillon-0000_000001.log"));
    EXPECT_TRUE(dir_.Exists(path.substr(dir_.Path().size() + 1)));
}

// What stands at $TMPDIR/quillon_log (and at the fallback beside it) before the program runs.
enum class Planted { Nothing, OwnOpenFolder, Link, OtherUsersFolder, LinkAndFallbackLink };

// Why, what is planted, whether the log goes to quillon_log-<uid> beside it, and the note's reason.
using FolderCase = std::tuple<const char*, Planted, bool, const char*>;

class LogFolderTable : public LogTest, public ::testing::WithParamInterface<FolderCase> {};

// Only a private folder of the user's own is used, else the one beside it with a note saying why.
TEST_P(LogFolderTable, OnlyAPrivateFolderOfTheUsersOwn) {
    const auto& [why, planted, fallback, reason] = GetParam();
    SCOPED_TRACE(why);
    const std::string usual = dir_ / "tmp/quillon_log";
    const std::string beside = usual + "-" + std::to_string(::geteuid());
    switch (planted) {
        case Planted::Nothing:
            break;
        case Planted::OwnOpenFolder:
            ASSERT_EQ(::mkdir(usual.c_str(), 0755), 0);
            ASSERT_EQ(::chmod(usual.c_str(), 0755), 0);
            break;
        case Planted::LinkAndFallbackLink:
            dir_.Symlink(dir_ / "elsewhere", "tmp/quillon_log-" + std::to_string(::geteuid()));
            [[fallthrough]];
        case Planted::Link:
            dir_.Symlink(dir_ / "elsewhere", "tmp/quillon_log");
            break;
        case Planted::OtherUsersFolder:
            if (::geteuid() != 0) {
                GTEST_SKIP() << "only root can give a folder to another user";
            }
            ASSERT_EQ(::mkdir(usual.c_str(), 0777), 0);
            ASSERT_EQ(::chown(usual.c_str(), 65534, 65534), 0);
            break;
    }
    SetLogEnabled(true);
    const std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    Log("first line");
    EXPECT_TRUE(dir_.List("elsewhere").empty());
    if (planted == Planted::LinkAndFallbackLink) {
        EXPECT_EQ(path, "");
        return;
    }
    const std::string folder = fallback ? beside : usual;
    EXPECT_EQ(GetLogFolder(), folder);
    ASSERT_EQ(path.rfind(folder + "/Quillon-", 0), 0u) << path;
    EXPECT_EQ(Lstat(folder).st_mode & 07777, 0700u);
    EXPECT_EQ(Lstat(path).st_mode & 07777, 0600u);
    const std::string note = "The log folder " + usual + " is not used: " + reason +
                             ". The log is written to " + beside + ".\n";
    EXPECT_EQ(dir_.ReadFile(path.substr(dir_.Path().size() + 1)),
              (fallback ? note : std::string()) + "first line\n");
    if (planted == Planted::OtherUsersFolder) {
        EXPECT_EQ(Lstat(usual).st_uid, 65534u);
        EXPECT_TRUE(dir_.List("tmp/quillon_log").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogFolderTable,
    ::testing::Values(FolderCase{"made private", Planted::Nothing, false, ""},
                      FolderCase{"own folder closed", Planted::OwnOpenFolder, false, ""},
                      FolderCase{"a link", Planted::Link, true, "it is a symbolic link"},
                      FolderCase{"another user's", Planted::OtherUsersFolder, true,
                                 "it belongs to user 65534"},
                      FolderCase{"both refused", Planted::LinkAndFallbackLink, true, ""}));

// A link planted at the log file's name is not written through.
TEST_F(LogTest, LogFileLinkIsNotFollowed) {
    SetLogEnabled(true);
    const std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    dir_.WriteFile("elsewhere/victim", "mine\n");
    ASSERT_EQ(::symlink((dir_ / "elsewhere/victim").c_str(), path.c_str()), 0);
    Log("appended");
    EXPECT_EQ(dir_.ReadFile("elsewhere/victim"), "mine\n");
    EXPECT_TRUE(S_ISLNK(Lstat(path).st_mode));
}

}  // namespace
}  // namespace quillon
