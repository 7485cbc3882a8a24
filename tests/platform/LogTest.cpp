#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Log.h"
#include "platform/RunContext.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::TestDir;

// The store fixture gives the test its own TMPDIR, where the log folder goes; the log's clock
// stands still at 2026-03-04 05:06:07 local time.
class LogTest : public test::StoreFixture {
  protected:
    LogTest() {
        RunContext::Current().log.clock = [] { return test::LocalTime(2026, 3, 4, 5, 6, 7); };
    }
    std::string LogDir() { return Dir() / "tmp/quillon_log"; }
    std::vector<std::string> LogFiles() { return dir_.List("tmp/quillon_log"); }

    TestDir& dir_ = Dir();
};

// Nothing is written before a log file has been chosen, even with logging on. The composed error
// text is what message boxes show, so it exists even when nothing is written; an unknown code
// still yields the system's text for it rather than nothing.
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

// The file is named from the run stamp, the local time of opening, and a second start within the
// same second appends to it. A line is its whole text, after "[date time]" while timestamps are
// on; the timestamp switch is only consulted when the caller does not skip it.
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

// A side log is written even when logging is off, and the off state comes back afterwards. The
// state a side log returns to is the one of the run's first side log: logging turned on after it
// is off again once the next side log ends. A nested side log returns to the main log.
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
}

// With logging on at the first side log, it stays on after every later one.
TEST_F(LogTest, LoggingOnAtTheFirstSideLogStaysOn) {
    std::string mainPath = OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    SwitchToSideLog("undo", "txt");
    RestoreMainLog();
    SetLogEnabled(false);
    SwitchToSideLog("undo", "txt");
    RestoreMainLog();
    EXPECT_TRUE(IsLogEnabled());
    Log("still on");
    EXPECT_EQ(ReadText(mainPath), "still on\n");
}

// Pruning keeps the three names that sort highest; a user's file with the same pattern competes
// like any other, files of another extension or base name are left alone.
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

// Five program starts: each start prunes before its own file exists, so the folder never holds
// more than the three previous runs plus the current one.
TEST_F(LogTest, RepeatedStartsKeepThreePreviousRuns) {
    for (int run = 1; run <= 4; ++run) {
        dir_.WriteFile("tmp/quillon_log/Quillon-0000_00000" + std::to_string(run) + ".log", "old");
    }
    ScopedRunContext fifthRun;
    std::string path = OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    Log("fifth run");
    std::vector<std::string> files = LogFiles();
    EXPECT_EQ(files.size(), 4u);
    EXPECT_FALSE(dir_.Exists("tmp/quillon_log/Quillon-0000_000001.log"));
    EXPECT_TRUE(dir_.Exists(path.substr(dir_.Path().size() + 1)));
    PruneLogs("Quillon", "log");
    EXPECT_EQ(LogFiles().size(), 3u);
    EXPECT_TRUE(dir_.Exists(path.substr(dir_.Path().size() + 1)));
}

}  // namespace
}  // namespace quillon
