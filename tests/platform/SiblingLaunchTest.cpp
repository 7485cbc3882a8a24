#include "platform/SiblingLaunch.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Launcher.h"
#include "platform/Log.h"
#include "support/FakePrompter.h"
#include "support/FakeTool.h"
#include "support/RecordingLauncher.h"
#include "support/ScopedEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using test::FakePrompter;
using test::MakeFakeTool;
using test::ReadFakeToolArgs;
using test::RecordingLauncher;
using test::ScopedEnv;
using test::TestDir;

class SiblingLaunchTest : public ::testing::Test {
  protected:
    SiblingLaunchTest() : tmp_("TMPDIR", dir_.Path()) {
        ResetLogState();
        OpenLog("sibling", "log", true);
        SetLogEnabled(true);
        tools_.editorPath = MakeFakeTool(dir_, "suite/scrivlet");
        tools_.viewerPath = MakeFakeTool(dir_, "my suite/panorel");
    }
    ~SiblingLaunchTest() override { ResetLogState(); }

    std::string LogText() const {
        std::ifstream in(GetLogPath());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Launch(const std::vector<std::string>& files, bool binary,
                SiblingLaunchMode mode = SiblingLaunchMode::kStartUp) {
        return LaunchSiblingForFiles(files, binary, tools_, mode, &prompter_, launcher_);
    }

    TestDir dir_;
    ScopedEnv tmp_;
    SiblingTools tools_;
    FakePrompter prompter_;
    RecordingLauncher launcher_;
};

// Text files go to the editor (unquoted path without blanks), binary ones to the viewer (quoted
// path with a blank) with the side-by-side switch after the last file. Nobody waits.
TEST_F(SiblingLaunchTest, CommandLines) {
    const std::string e = tools_.editorPath;
    const std::string v = "\"" + tools_.viewerPath + "\"";
    ASSERT_TRUE(Launch({"/d/a.txt"}, false));
    ASSERT_TRUE(Launch({"/d/a.txt", "/d/b c.txt"}, false));
    ASSERT_TRUE(Launch({"/d/a.bin"}, true));
    ASSERT_TRUE(Launch({"/d/a.bin", "/d/b.bin"}, true));
    ASSERT_EQ(launcher_.requests.size(), 4u);
    EXPECT_EQ(launcher_.requests[0].commandLine, e + " \"/d/a.txt\"");
    EXPECT_EQ(launcher_.requests[1].commandLine, e + " \"/d/a.txt\" \"/d/b c.txt\"");
    EXPECT_EQ(launcher_.requests[2].commandLine, v + " \"/d/a.bin\" /TILE_VERT");
    EXPECT_EQ(launcher_.requests[3].commandLine, v + " \"/d/a.bin\" \"/d/b.bin\" /TILE_VERT");
    for (const LaunchRequest& r : launcher_.requests) {
        EXPECT_EQ(r.waitMs, 0);
    }
    EXPECT_TRUE(prompter_.shown.empty());
    const std::string log = LogText();
    EXPECT_NE(log.find("CreateProcess with /d/a.txt\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CreateProcess with /d/a.txt and /d/b c.txt\n"), std::string::npos) << log;
}

struct MissingCase {
    bool binary;
    bool empty;  // true: the path is empty; false: it names nothing
    const char* message;
};

class SiblingMissingTest : public SiblingLaunchTest,
                           public ::testing::WithParamInterface<MissingCase> {};

// At start-up an unusable tool is reported with the error icon and nothing is started.
TEST_P(SiblingMissingTest, StartUpShowsMessage) {
    std::string& path = GetParam().binary ? tools_.viewerPath : tools_.editorPath;
    path = GetParam().empty ? "" : dir_ / "nope/tool";
    EXPECT_FALSE(Launch({dir_ / "a.txt"}, GetParam().binary));
    EXPECT_TRUE(launcher_.requests.empty());
    ASSERT_EQ(prompter_.shown.size(), 1u);
    std::string expected = GetParam().message;
    const size_t at = expected.find("%s");
    if (at != std::string::npos) {
        expected.replace(at, 2, path);
    }
    EXPECT_EQ(prompter_.shown[0].text, expected);
    EXPECT_EQ(prompter_.shown[0].style & mb::kIconMask, mb::kIconStop);
}

INSTANTIATE_TEST_SUITE_P(Tools, SiblingMissingTest,
                         ::testing::Values(MissingCase{false, true, "Scrivlet name is empty."},
                                           MissingCase{false, false, "Scrivlet %s doesn't exist."},
                                           MissingCase{true, true, "Panorel name is empty."},
                                           MissingCase{true, false, "Panorel %s doesn't exist."}));

// Opening a file as a document never shows a message: a missing editor is skipped, the viewer
// is tried anyway and its failure only logged.
TEST_F(SiblingLaunchTest, DocumentOpenIsSilent) {
    tools_.editorPath = dir_ / "nope/editor";
    EXPECT_FALSE(Launch({"/d/a.txt"}, false, SiblingLaunchMode::kDocumentOpen));
    EXPECT_TRUE(launcher_.requests.empty());

    tools_.viewerPath.clear();
    launcher_.script.push_back(RecordingLauncher::Failed(ENOENT));
    EXPECT_FALSE(Launch({"/d/a.bin"}, true, SiblingLaunchMode::kDocumentOpen));
    ASSERT_EQ(launcher_.requests.size(), 1u);
    EXPECT_EQ(launcher_.requests[0].commandLine, " \"/d/a.bin\" /TILE_VERT");
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_NE(LogText().find("Reason for failure of launching Panorel"), std::string::npos);
}

// A failed start of the editor is logged with its path, never shown.
TEST_F(SiblingLaunchTest, EditorFailureIsLogged) {
    launcher_.script.push_back(RecordingLauncher::Failed(EACCES));
    EXPECT_FALSE(Launch({"/d/a.txt"}, false));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_NE(LogText().find("Reason for failure of CreateProcess for " + tools_.editorPath),
              std::string::npos)
        << LogText();
}

// The desktop opener standing in for the viewer gets one call per file and no viewer switch.
TEST_F(SiblingLaunchTest, DesktopOpenerOnePerFile) {
    tools_.viewerPath = MakeFakeTool(dir_, "bin/xdg-open");
    ASSERT_TRUE(Launch({"/d/a.bin", "/d/b.bin"}, true));
    ASSERT_EQ(launcher_.requests.size(), 2u);
    EXPECT_EQ(launcher_.requests[0].commandLine, tools_.viewerPath + " \"/d/a.bin\"");
    EXPECT_EQ(launcher_.requests[1].commandLine, tools_.viewerPath + " \"/d/b.bin\"");
}

// End to end: a real editor stand-in receives both file paths as two arguments.
TEST_F(SiblingLaunchTest, RealToolReceivesFiles) {
    tools_.editorPath = MakeFakeTool(dir_, "real tools/editor");
    dir_.MakeTree({{"left/a b.txt", "x"}, {"right/a b.txt", "y"}});
    ProcessLauncher real;
    ASSERT_TRUE(LaunchSiblingForFiles({dir_ / "left/a b.txt", dir_ / "right/a b.txt"}, false,
                                      tools_, SiblingLaunchMode::kStartUp, &prompter_, real));
    EXPECT_EQ(ReadFakeToolArgs(tools_.editorPath),
              (std::vector<std::string>{dir_ / "left/a b.txt", dir_ / "right/a b.txt"}));
}

}  // namespace
}  // namespace quillon
