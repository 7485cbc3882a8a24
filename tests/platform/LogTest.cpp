#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <regex>
#include <string>

#include "platform/Log.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::TestDir;

// The store fixture gives the test its own TMPDIR, where the log folder goes.
class LogTest : public test::StoreFixture {
  protected:
    std::string LogDir() { return Dir() / "tmp/quillon_log"; }
    std::vector<std::string> LogFiles() { return dir_.List("tmp/quillon_log"); }

    TestDir& dir_ = Dir();
};

// The composed error text is what message boxes show, so it exists even when nothing is written.
TEST_F(LogTest, ErrorTextIsComposedWithLoggingOffAndNoFileIsTouched) {
    OpenLog("Quillon", "log", true);
    ASSERT_FALSE(IsLogEnabled());
    std::string text = LogError(ENOENT, "Cannot open %s", "a.txt");
    EXPECT_EQ(text, std::string("Cannot open a.txt\tErrorCode: [2]=") + std::strerror(ENOENT));
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(LogError(0, "Copy %d files", 3), "Copy 3 files: OK");
    EXPECT_EQ(Log("plain %s", "text"), "plain text");
    EXPECT_TRUE(LogFiles().empty());
}

// An unknown code still yields the system's text for it rather than nothing.
TEST_F(LogTest, UnknownErrorCodeStillHasSystemText) {
    std::string text = LogError(987654, "x");
    EXPECT_EQ(text.rfind("x\tErrorCode: [987654]=", 0), 0u) << text;
    EXPECT_GT(text.size(), std::strlen("x\tErrorCode: [987654]="));
}

// The file is named from the run stamp and the stamp is the local time of opening.
TEST_F(LogTest, FileNameCarriesTheRunStamp) {
    time_t before = std::time(nullptr);
    std::string path = OpenLog("Quillon", "log", true);
    time_t after = std::time(nullptr);
    EXPECT_EQ(GetLogFolder(), LogDir());
    EXPECT_EQ(path, GetLogPath());
    std::smatch m;
    ASSERT_TRUE(std::regex_match(path, m, std::regex(LogDir() + R"(/Quillon-(\d{4}_\d{6})\.log)")))
        << path;
    EXPECT_EQ(m[1].str(), GetLogStamp());
    bool matchesAClockSecond = false;
    for (time_t t = before; t <= after; ++t) {
        struct tm local {};
        localtime_r(&t, &local);
        char expected[32];
        std::strftime(expected, sizeof expected, "%m%d_%H%M%S", &local);
        matchesAClockSecond |= GetLogStamp() == expected;
    }
    EXPECT_TRUE(matchesAClockSecond) << GetLogStamp();
    EXPECT_TRUE(OpenLog("", "log", true).empty());
    EXPECT_TRUE(OpenLog("Quillon", "", true).empty());
}

struct LineCase {
    bool timestamps;
    const char* text;
    const char* pattern;
};

class LogLineFormat : public LogTest, public ::testing::WithParamInterface<LineCase> {};

// Each of the four line shapes: with or without the "[date time]" prefix, empty or not.
TEST_P(LogLineFormat, LineShape) {
    const LineCase& c = GetParam();
    OpenLog("Quillon", "log", false, [&] { return c.timestamps; });
    SetLogEnabled(true);
    Log("%s", c.text);
    std::string content = ReadText(GetLogPath());
    EXPECT_TRUE(std::regex_match(content, std::regex(c.pattern))) << "[" << content << "]";
}

INSTANTIATE_TEST_SUITE_P(
    AllShapes, LogLineFormat,
    ::testing::Values(LineCase{true, "hello world",
                               R"(\[\d\d/\d\d/\d\d \d\d:\d\d:\d\d\] hello world\n)"},
                      LineCase{true, "", R"(\[\d\d/\d\d/\d\d \d\d:\d\d:\d\d\]\n)"},
                      LineCase{false, "hello world", "hello world\n"}, LineCase{false, "", "\n"},
                      LineCase{false, "tab\there", "tab\there\n"}));

// The timestamp switch is only read when the caller does not skip it; otherwise it stays on.
TEST_F(LogTest, TimestampSettingIsConsultedUnlessSkipped) {
    bool asked = false;
    OpenLog("Quillon", "log", true, [&] {
        asked = true;
        return false;
    });
    EXPECT_FALSE(asked);
    SetLogEnabled(true);
    Log("x");
    EXPECT_EQ(ReadText(GetLogPath()).front(), '[');
}

// Long lines are not cut to a fixed buffer, and every line goes to the file at once.
TEST_F(LogTest, LongLinesAreWrittenWhole) {
    OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    std::string shortish(300, 'a');
    std::string huge(200000, 'b');
    huge[1000] = 'c';
    EXPECT_EQ(Log("%s", shortish.c_str()), shortish);
    EXPECT_EQ(Log("%s", huge.c_str()), huge);
    EXPECT_EQ(ReadText(GetLogPath()), shortish + "\n" + huge + "\n");
}

// Nothing is written before a log file has been chosen, even with logging on.
TEST_F(LogTest, NothingIsWrittenBeforeOpening) {
    SetLogEnabled(true);
    Log("early");
    SwitchToSideLog("timer", "txt");
    Log("early side");
    RestoreMainLog();
    EXPECT_TRUE(GetLogPath().empty());
    EXPECT_TRUE(LogFiles().empty());
}

// Two starts within the same second share the file; the second appends.
TEST_F(LogTest, SameSecondReopenAppends) {
    std::string first = OpenLog("Quillon", "log", false, [] { return false; });
    SetLogEnabled(true);
    Log("one");
    std::string second = OpenLog("Quillon", "log", false, [] { return false; });
    if (first != second) {
        GTEST_SKIP() << "the clock moved to the next second between the two opens";
    }
    Log("two");
    EXPECT_EQ(ReadText(first), "one\ntwo\n");
}

// A side log is written even when logging is off, and the off state comes back afterwards.
TEST_F(LogTest, SideLogIsWrittenWhileLoggingIsOff) {
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
}

// The state a side log returns to is the one of the run's first side log: logging turned on
// after it is off again once the next side log ends. A nested side log returns to the main log.
TEST_F(LogTest, SideLogsRestoreTheFirstSideLogsState) {
    std::string mainPath = OpenLog("Quillon", "log", false, [] { return false; });
    SwitchToSideLog("undo", "txt");
    RestoreMainLog();
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
