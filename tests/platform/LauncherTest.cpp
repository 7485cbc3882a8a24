#include "platform/Launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "support/FakeTool.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::MakeFakeTool;
using test::ReadFakeToolArgs;
using test::TestDir;
using Args = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Args args;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

// Quotes group, backslashes count only before a quote, and the program name is taken verbatim.
TEST_P(SplitTest, WindowsRules) {
    EXPECT_EQ(SplitCommandLine(GetParam().line), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTest,
    ::testing::Values(
        SplitCase{"", {}}, SplitCase{"   \t ", {}}, SplitCase{"prog", {"prog"}},
        SplitCase{"prog a  b\tc ", {"prog", "a", "b", "c"}},
        SplitCase{R"("/opt/my tools/ed" "a b.txt" c)", {"/opt/my tools/ed", "a b.txt", "c"}},
        SplitCase{R"(p a\"b)", {"p", "a\"b"}},            // 1 backslash + quote
        SplitCase{R"(p a\\"b c")", {"p", "a\\b c"}},      // 2 backslashes + quote
        SplitCase{R"(p a\\\"b)", {"p", "a\\\"b"}},        // 3 backslashes + quote
        SplitCase{R"(p a\\\\"b c")", {"p", "a\\\\b c"}},  // 4 backslashes + quote
        SplitCase{R"(p a\\b c\)", {"p", "a\\\\b", "c\\"}},
        SplitCase{R"(p "a""b")", {"p", "a\"b"}},  // "" inside quotes
        SplitCase{R"(p "a""" b)", {"p", "a\"", "b"}}, SplitCase{R"(p "" x)", {"p", "", "x"}},
        SplitCase{R"(p "unterminated arg)", {"p", "unterminated arg"}},
        SplitCase{R"(p a"b c"d)", {"p", "ab cd"}}, SplitCase{R"(p "ab\" c")", {"p", "ab\" c"}},
        SplitCase{R"("C:\dir\" x)", {"C:\\dir\\", "x"}},  // no escapes in the program
        SplitCase{R"(C:\a\"b x)", {"C:\\a\\b x"}},
        SplitCase{R"("my prog"tail x)", {"my progtail", "x"}},
        SplitCase{R"(p "/d/a.bin" "/d/b.bin" /TILE_VERT)",
                  {"p", "/d/a.bin", "/d/b.bin", "/TILE_VERT"}}));

// Whatever the argument holds, quoting it and splitting again gives it back unchanged.
TEST(QuoteArgument, RoundTrips) {
    const Args tricky = {"",          "plain",       "with space", "tab\there", "q\"uote",
                         "end\\",     "end\\\\",     "\\\"",       "a\\\\\"b",  "\"\"",
                         "$(id) `x`", "caf\xc3\xa9", "\\",         " lead"};
    for (const std::string& arg : tricky) {
        const Args got = SplitCommandLine("p " + QuoteArgument(arg));
        ASSERT_EQ(got.size(), 2u) << arg;
        EXPECT_EQ(got[1], arg);
    }
    // Ordinary paths are only wrapped, so the logged command line reads as the user expects.
    EXPECT_EQ(QuoteArgument("/home/u/a b.txt"), "\"/home/u/a b.txt\"");
}

// The program is quoted only when it contains a blank.
TEST(QuoteProgram, OnlyWithBlank) {
    EXPECT_EQ(QuoteProgramIfBlank("/usr/bin/meld"), "/usr/bin/meld");
    EXPECT_EQ(QuoteProgramIfBlank("/opt/my tools/meld"), "\"/opt/my tools/meld\"");
}

class ProcessLauncherTest : public ::testing::Test {
  protected:
    TestDir dir_;
    ProcessLauncher launcher_;

    LaunchResult Run(const std::string& line, int waitMs = 10000) {
        LaunchRequest request;
        request.commandLine = line;
        request.waitMs = waitMs;
        return launcher_.Launch(request);
    }
};

// Arguments reach the program exactly, with no shell in between to expand anything.
TEST_F(ProcessLauncherTest, ArgumentsArriveVerbatimWithoutShell) {
    const std::string tool = MakeFakeTool(dir_, "my tools/tool");
    const Args args = {"a b.txt", "q\"uote", "$(touch " + dir_.Path() + "/pwned)", "end\\", "*"};
    std::string line = QuoteProgramIfBlank(tool);
    for (const std::string& a : args) {
        line += " " + QuoteArgument(a);
    }
    const LaunchResult r = Run(line);
    ASSERT_TRUE(r.started) << r.errorCode;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFakeToolArgs(tool), args);
    EXPECT_FALSE(dir_.Exists("pwned"));
}

// The exit code comes back when waiting; a signal shows as 128 + its number.
TEST_F(ProcessLauncherTest, ExitCodes) {
    EXPECT_EQ(Run(MakeFakeTool(dir_, "three", "exit 3")).exitCode, 3);
    EXPECT_EQ(Run(MakeFakeTool(dir_, "killed", "kill -9 $$")).exitCode, 128 + SIGKILL);
    // A bare name is searched on PATH.
    EXPECT_EQ(Run("false").exitCode, 1);
}

// Waiting is bounded: a program that outlives the bound is left running and reported as such.
TEST_F(ProcessLauncherTest, BoundedWaitReturnsInTime) {
    const std::string tool = MakeFakeTool(dir_, "slow", "sleep 30");
    const auto start = std::chrono::steady_clock::now();
    const LaunchResult r = Run(tool, 300);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.exited);
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    EXPECT_EQ(launcher_.RunningCount(), 1u);
    kill(r.pid, SIGKILL);
}

// A program started without waiting is collected once it has ended.
TEST_F(ProcessLauncherTest, DetachedChildIsReaped) {
    const std::string tool = MakeFakeTool(dir_, "quick");
    const LaunchResult r = Run(tool, 0);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.exited);
    ASSERT_EQ(ReadFakeToolArgs(tool).size(), 0u);
    for (int i = 0; i < 500 && launcher_.RunningCount() > 0; ++i) {
        usleep(10 * 1000);
        launcher_.ReapFinished();
    }
    EXPECT_EQ(launcher_.RunningCount(), 0u);
}

// A missing or non-executable program is a failed start carrying the system error.
TEST_F(ProcessLauncherTest, FailedStarts) {
    LaunchResult r = Run(dir_ / "nothing-here");
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.errorCode, ENOENT);
    r = Run("quillon-no-such-program-on-path");
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.errorCode, ENOENT);
    dir_.WriteFile("data.txt", "not a program");
    r = Run(dir_ / "data.txt");
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.errorCode, EACCES);
    r = Run("");
    EXPECT_FALSE(r.started);
}

// The working folder is applied to the child only; the child reads nothing from our stdin.
TEST_F(ProcessLauncherTest, WorkingFolderAndStdin) {
    dir_.MakeFolder("work place");
    const std::string tool = MakeFakeTool(dir_, "where", "pwd > \"$0.pwd\"; cat > \"$0.in\"");
    LaunchRequest request;
    request.commandLine = QuoteProgramIfBlank(tool);
    request.workingFolder = dir_ / "work place";
    request.waitMs = 10000;
    const LaunchResult r = launcher_.Launch(request);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(dir_.ReadFile("where.pwd"), dir_ / "work place\n");
    EXPECT_EQ(dir_.ReadFile("where.in"), "");
}

}  // namespace
}  // namespace quillon
