#include "platform/Launcher.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/FakeTool.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::MakeFakeTool;
using test::ReadFakeToolArgs;
using Args = std::vector<std::string>;

// Quotes group, backslashes count only before a quote, and the program name is taken verbatim.
TEST(SplitCommandLine, WindowsRules) {
    const std::pair<const char*, Args> cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"prog a  b\tc ", {"prog", "a", "b", "c"}},
        {R"("/opt/my tools/ed" "a b.txt" c)", {"/opt/my tools/ed", "a b.txt", "c"}},
        {R"(p a\"b)", {"p", "a\"b"}},            // 1 backslash + quote
        {R"(p a\\"b c")", {"p", "a\\b c"}},      // 2 backslashes + quote
        {R"(p a\\\"b)", {"p", "a\\\"b"}},        // 3 backslashes + quote
        {R"(p a\\\\"b c")", {"p", "a\\\\b c"}},  // 4 backslashes + quote
        {R"(p a\\b c\)", {"p", "a\\\\b", "c\\"}},
        {R"(p "a""b")", {"p", "a\"b"}},  // "" inside quotes
        {R"(p "a""" b)", {"p", "a\"", "b"}},
        {R"(p "" x)", {"p", "", "x"}},
        {R"(p "unterminated arg)", {"p", "unterminated arg"}},
        {R"(p a"b c"d)", {"p", "ab cd"}},
        {R"("C:\dir\" x)", {"C:\\dir\\", "x"}},  // no escapes in the program
        {R"(C:\a\"b x)", {"C:\\a\\b x"}},
        {R"("my prog"tail x)", {"my progtail", "x"}}};
    for (const auto& [line, args] : cases) {
        EXPECT_EQ(SplitCommandLine(line), args) << line;
    }
}

// Quoting then splitting gives any argument back; a path is only wrapped, a program only if blank.
TEST(QuoteArgument, RoundTrips) {
    for (const char* arg :
         {"", "plain", "with space", "tab\there", "q\"uote", "end\\", "end\\\\", "\\\"", "a\\\\\"b",
          "\"\"", "$(id) `x`", "caf\xc3\xa9", "\\", " lead"}) {
        EXPECT_EQ(SplitCommandLine("p " + QuoteArgument(arg)), (Args{"p", arg})) << arg;
    }
    EXPECT_EQ(QuoteArgument("/home/u/a b.txt"), "\"/home/u/a b.txt\"");
    EXPECT_EQ(QuoteProgramIfBlank("/usr/bin/meld"), "/usr/bin/meld");
    EXPECT_EQ(QuoteProgramIfBlank("/opt/my tools/meld"), "\"/opt/my tools/meld\"");
}

class ProcessLauncherTest : public ::testing::Test {
  protected:
    LaunchResult Run(const std::string& line, int waitMs = 10000) {
        LaunchRequest request;
        request.commandLine = line;
        request.waitMs = waitMs;
        return launcher_.Launch(request);
    }

    test::TestDir dir_;
    ProcessLauncher launcher_;
};

// Arguments arrive verbatim with no shell; the child gets the working folder and no stdin of ours.
TEST_F(ProcessLauncherTest, ArgumentsArriveVerbatimWithoutShell) {
    dir_.MakeFolder("work place");
    const std::string tool =
        MakeFakeTool(dir_, "my tools/tool", "pwd > \"$0.pwd\"; cat > \"$0.in\"");
    const Args args = {"a b.txt", "q\"uote", "$(touch " + dir_.Path() + "/pwned)", "end\\", "*"};
    LaunchRequest request;
    request.commandLine = QuoteProgramIfBlank(tool);
    for (const std::string& a : args) {
        request.commandLine += " " + QuoteArgument(a);
    }
    request.workingFolder = dir_ / "work place";
    request.waitMs = 10000;
    const LaunchResult r = launcher_.Launch(request);
    ASSERT_TRUE(r.started) << r.errorCode;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFakeToolArgs(tool), args);
    EXPECT_FALSE(dir_.Exists("pwned"));
    EXPECT_FALSE(dir_.Exists("work place/pwned"));
    EXPECT_EQ(dir_.ReadFile("my tools/tool.pwd"), dir_ / "work place\n");
    EXPECT_EQ(dir_.ReadFile("my tools/tool.in"), "");
}

// Exit codes (signals as 128 + n), failed starts with their error, bounded waits, later reaping.
TEST_F(ProcessLauncherTest, ExitCodesFailedStartsAndBoundedWait) {
    EXPECT_EQ(Run(MakeFakeTool(dir_, "three", "exit 3")).exitCode, 3);
    EXPECT_EQ(Run(MakeFakeTool(dir_, "killed", "kill -9 $$")).exitCode, 128 + SIGKILL);
    EXPECT_EQ(Run("false").exitCode, 1);  // a bare name is searched on PATH
    dir_.WriteFile("data.txt", "not a program");
    const std::pair<std::string, int> failures[] = {{dir_ / "nothing-here", ENOENT},
                                                    {"quillon-no-such-program-on-path", ENOENT},
                                                    {dir_ / "data.txt", EACCES},
                                                    {"", 0}};
    for (const auto& [line, error] : failures) {
        const LaunchResult r = Run(line);
        EXPECT_FALSE(r.started) << line;
        if (error != 0) {
            EXPECT_EQ(r.errorCode, error) << line;
        }
    }
    const LaunchResult slow = Run(MakeFakeTool(dir_, "slow", "sleep 30"), 300);
    ASSERT_TRUE(slow.started);
    EXPECT_FALSE(slow.exited);
    EXPECT_EQ(launcher_.RunningCount(), 1u);
    kill(slow.pid, SIGKILL);
    siginfo_t info{};
    // Waits for the end without collecting it, so the launcher is the one to collect.
    ASSERT_EQ(waitid(P_PID, slow.pid, &info, WEXITED | WNOWAIT), 0);
    const LaunchResult quick = Run(MakeFakeTool(dir_, "quick"), 0);
    ASSERT_TRUE(quick.started);
    EXPECT_FALSE(quick.exited);
    ASSERT_EQ(waitid(P_PID, quick.pid, &info, WEXITED | WNOWAIT), 0);
    launcher_.ReapFinished();
    EXPECT_EQ(launcher_.RunningCount(), 0u);
}

}  // namespace
}  // namespace quillon
