#include "platform/Launcher.h"
#include "platform/SiblingLaunch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "platform/ToolLocator.h"
#include "support/FakePrompter.h"
#include "support/FakeTool.h"
#include "support/RecordingLauncher.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::MakeFakeTool;
using test::RecordingLauncher;
using Texts = std::vector<std::string>;

// Quotes group, backslashes count only before a quote, and the program name is taken verbatim.
TEST(SplitCommandLine, WindowsRules) {
    const std::pair<const char*, Texts> cases[] = {
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
        EXPECT_EQ(SplitCommandLine("p " + QuoteArgument(arg)), (Texts{"p", arg})) << arg;
    }
    EXPECT_EQ(QuoteArgument("/home/u/a b.txt"), "\"/home/u/a b.txt\"");
    EXPECT_EQ(QuoteProgramIfBlank("/usr/bin/meld"), "/usr/bin/meld");
    EXPECT_EQ(QuoteProgramIfBlank("/opt/my tools/meld"), "\"/opt/my tools/meld\"");
}

class ProcessLauncherTest : public ::testing::Test {
  protected:
    LaunchResult Run(const std::string& line, int waitMs = 10000, const std::string& folder = "") {
        LaunchRequest request;
        request.commandLine = line;
        request.waitMs = waitMs;
        request.workingFolder = folder;
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
    const Texts args = {"a b.txt", "q\"uote", "$(touch " + dir_.Path() + "/pwned)", "end\\", "*"};
    std::string line = QuoteProgramIfBlank(tool);
    for (const std::string& a : args) {
        line += " " + QuoteArgument(a);
    }
    const LaunchResult r = Run(line, 10000, dir_ / "work place");
    ASSERT_TRUE(r.started) << r.errorCode;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(test::ReadFakeToolArgs(tool), args);
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
    const LaunchResult slow = Run(MakeFakeTool(dir_, "slow", "exec sleep 30"), 300);
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

class ToolLaunchTest : public test::StoreFixture {
  protected:
    ToolLaunchTest() {
        StartLog("tools");
        tools_.editorPath = MakeFakeTool(Dir(), "suite/scrivlet");
        tools_.viewerPath = MakeFakeTool(Dir(), "my suite/panorel");
    }
    bool Launch(const Texts& files, bool binary,
                SiblingLaunchMode mode = SiblingLaunchMode::kStartUp) {
        return LaunchSiblingForFiles(files, binary, tools_, mode, &prompter_, launcher_);
    }
    Texts CommandLines() const {
        Texts lines;
        for (const LaunchRequest& r : launcher_.requests) {
            EXPECT_EQ(r.waitMs, 0) << r.commandLine;
            lines.push_back(r.commandLine);
        }
        return lines;
    }
    bool Logged(const std::string& text) { return LogText().find(text) != std::string::npos; }

    SiblingTools tools_;
    test::FakePrompter prompter_;
    RecordingLauncher launcher_;
};

// Text files go to the editor, binary ones to the viewer with its switch or opener once per file.
TEST_F(ToolLaunchTest, CommandLines) {
    const std::string e = tools_.editorPath;
    const std::string v = "\"" + tools_.viewerPath + "\"";
    ASSERT_TRUE(Launch({"/d/a.txt"}, false));
    ASSERT_TRUE(Launch({"/d/a.txt", "/d/b c.txt"}, false));
    ASSERT_TRUE(Launch({"/d/a.bin"}, true));
    ASSERT_TRUE(Launch({"/d/a.bin", "/d/b.bin"}, true));
    tools_.viewerPath = MakeFakeTool(Dir(), "bin/xdg-open");
    ASSERT_TRUE(Launch({"/d/a.bin", "/d/b.bin"}, true));
    const std::string o = tools_.viewerPath;
    EXPECT_EQ(CommandLines(),
              (Texts{e + " \"/d/a.txt\"", e + " \"/d/a.txt\" \"/d/b c.txt\"",
                     v + " \"/d/a.bin\" /TILE_VERT", v + " \"/d/a.bin\" \"/d/b.bin\" /TILE_VERT",
                     o + " \"/d/a.bin\"", o + " \"/d/b.bin\""}));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(Logged("CreateProcess with /d/a.txt\n")) << LogText();
    EXPECT_TRUE(Logged("CreateProcess with /d/a.txt and /d/b c.txt\n")) << LogText();
}

// A missing tool is shown at start-up only; opening documents and failed starts are only logged.
TEST_F(ToolLaunchTest, MissingToolsAndFailedStarts) {
    const SiblingTools good = tools_;
    const std::tuple<bool, bool, const char*> cases[] = {
        {false, true, "Scrivlet name is empty."},
        {false, false, "Scrivlet %s doesn't exist."},
        {true, true, "Panorel name is empty."},
        {true, false, "Panorel %s doesn't exist."}};
    for (const auto& [binary, empty, message] : cases) {
        SCOPED_TRACE(message);
        tools_ = good;
        std::string& path = binary ? tools_.viewerPath : tools_.editorPath;
        path = empty ? "" : Dir() / "nope/tool";
        prompter_.shown.clear();
        EXPECT_FALSE(Launch({Dir() / "a.txt"}, binary));
        EXPECT_TRUE(launcher_.requests.empty());
        ASSERT_EQ(prompter_.shown.size(), 1u);
        std::string expected = message;
        if (!empty) {
            expected.replace(expected.find("%s"), 2, path);
        }
        EXPECT_EQ(prompter_.shown[0].text, expected);
        EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconStop);
    }
    tools_ = good;
    prompter_.shown.clear();
    tools_.editorPath = Dir() / "nope/editor";
    EXPECT_FALSE(Launch({"/d/a.txt"}, false, SiblingLaunchMode::kDocumentOpen));
    EXPECT_TRUE(launcher_.requests.empty());

    tools_.viewerPath.clear();
    launcher_.script.push_back(RecordingLauncher::Failed(ENOENT));
    EXPECT_FALSE(Launch({"/d/a.bin"}, true, SiblingLaunchMode::kDocumentOpen));
    EXPECT_EQ(CommandLines(), (Texts{" \"/d/a.bin\" /TILE_VERT"}));
    EXPECT_TRUE(Logged("Reason for failure of launching Panorel")) << LogText();

    tools_.editorPath = good.editorPath;
    launcher_.script.push_back(RecordingLauncher::Failed(EACCES));
    EXPECT_FALSE(Launch({"/d/a.txt"}, false));
    EXPECT_TRUE(Logged("Reason for failure of CreateProcess for " + good.editorPath)) << LogText();
    EXPECT_TRUE(prompter_.shown.empty());
}

// A usable registration wins; otherwise, with the reason logged, executable counterparts on PATH.
TEST_F(ToolLaunchTest, LocatorRegistrationThenCounterparts) {
    const auto appPath = [](const std::string& exe) {
        return std::string(kAppPathsKey) + "\\" + exe;
    };
    test::TestDir& dir = Dir();
    const std::string seekwell = MakeFakeTool(dir, "suite/Seekwell");
    const std::string catfish = MakeFakeTool(dir, "bin1/catfish");
    const std::string kdiff3 = MakeFakeTool(dir, "bin1/kdiff3");
    const std::string meld = MakeFakeTool(dir, "bin2/meld");
    const std::string opener = MakeFakeTool(dir, "bin2/xdg-open");
    MakeFakeTool(dir, "bin1/Farlink");
    ASSERT_TRUE(registry_.SetString(RegHive::LocalMachine, appPath("Seekwell.exe"), "", seekwell));
    ASSERT_TRUE(registry_.SetString(RegHive::LocalMachine, appPath("Panorel.exe"), "",
                                    dir / "gone/Panorel"));
    ASSERT_TRUE(registry_.CreateKey(RegHive::LocalMachine, appPath("Nybblet.exe")));
    const ToolLocator locator(MachineValuesOf(registry_), dir / "bin1" + ":" + dir / "bin2");
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"Seekwell.exe", seekwell, nullptr},
        {"Scrivlet.exe", meld, "Scrivlet not registered."},
        {"Panorel.exe", opener, "Panorel val doesn't exist."},
        {"Nybblet.exe", "", "Nybblet val doesn't exist."},
        {"Farlink.exe", "", "Farlink not registered."}};
    for (const auto& [exe, expected, logged] : cases) {
        EXPECT_EQ(locator.LocateTool(exe), expected) << exe;
        if (logged != nullptr) {
            EXPECT_TRUE(Logged(logged)) << logged << "\n" << LogText();
        }
    }
    EXPECT_FALSE(Logged("Seekwell")) << LogText();

    ASSERT_EQ(chmod(meld.c_str(), 0644), 0);
    EXPECT_EQ(locator.LocateTool("scrivlet.EXE"), kdiff3);
    ASSERT_TRUE(registry_.DeleteValue(RegHive::LocalMachine, appPath("Seekwell.exe"), ""));
    ASSERT_TRUE(registry_.SetDword(RegHive::LocalMachine, appPath("Seekwell.exe"), "", 1));
    EXPECT_EQ(locator.LocateTool("Seekwell.exe"), catfish);
    EXPECT_TRUE(Logged("Seekwell val doesn't exist.")) << LogText();
    // PATH: the first program wins, folders are skipped, a name with a slash is taken as it is.
    dir.MakeFolder("pa/tool/");
    const std::string second = MakeFakeTool(dir, "pb/tool");
    MakeFakeTool(dir, "pc/tool");
    EXPECT_EQ(FindOnSearchPath("tool", dir / "pa" + ":" + dir / "pb" + ":" + dir / "pc"), second);
    EXPECT_EQ(FindOnSearchPath("tool", dir / "pa"), "");
    EXPECT_EQ(FindOnSearchPath("", dir / "pb"), "");
    EXPECT_EQ(FindOnSearchPath(second, ""), second);
    EXPECT_EQ(FindOnSearchPath(dir / "pa/tool", ""), "");
}

}  // namespace
}  // namespace quillon
