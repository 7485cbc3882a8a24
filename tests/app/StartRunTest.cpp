#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "app/DisplayStart.h"
#include "app/Usage.h"
#include "support/FakeTool.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

using namespace std::string_literals;
using test::ProcessResult;

const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class FileStart : public test::StoreFixture {
  protected:
    void SetUp() override {
        files.MakeTree({{"a.txt", "one\n"},
                        {"b.txt", "two\n"},
                        {"c.bin", "\177ELF\0\1\0\2"s},
                        {"d.bin", "\0\1\0\2"s},
                        {"emptybin/", ""}});
    }

    void Register(const std::string& exe, const std::string& relative) {
        std::string tool = test::MakeFakeTool(tools, relative);
        ASSERT_TRUE(registry_.SetString(RegHive::LocalMachine, kAppPaths + exe, "", tool));
    }

    // The fake tools are shell scripts and need the system folders; with `isolated` the search
    // path is empty, so that no real editor or viewer of this machine can be picked up. There is
    // no display: a message box would wait for a user.
    ProcessResult Run(const std::vector<std::string>& args, bool isolated = false) {
        std::string path = isolated ? files / "emptybin" : "/usr/bin:/bin";
        return test::RunProcess(
            test::QuillonProgram(), args,
            {"PATH=" + path, "DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    }

    test::TestDir files;
    test::TestDir tools;
};

// Two text files go to the text diff editor together; a binary first file goes to the viewer
// alone when the second is text, tiled vertically. The program then ends without a window.
TEST_F(FileStart, FilesGoToTheirTool) {
    Register("Scrivlet.exe", "scrivlet");
    Register("Panorel.exe", "panorel");
    ProcessResult r = Run({files / "a.txt", files / "b.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFakeToolArgs(tools / "scrivlet"),
              (std::vector<std::string>{files / "a.txt", files / "b.txt"}));
    r = Run({files / "c.bin", files / "a.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFakeToolArgs(tools / "panorel"),
              (std::vector<std::string>{files / "c.bin", "/TILE_VERT"}));
}

// Without the tool and without a display the user is told in one line and the start fails. The
// window without any display: one line that points to -Report, and no abort in the toolkit.
TEST_F(FileStart, WithoutToolOrDisplayExitsTwo) {
    ProcessResult r = Run({files / "a.txt", files / "b.txt"}, true);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quillon: Scrivlet name is empty.\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{files.Path(), files / "emptybin"}, {}}) {
        r = Run(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.err, std::string("quillon: ") + kNoDisplayMessage + "\n");
        EXPECT_NE(r.err.find("-Report"), std::string::npos);
    }
}

// --help and -h print the summary whose synopsis the README shows; --version the version.
TEST_F(FileStart, HelpAndVersion) {
    for (const char* help : {"--help", "-h"}) {
        ProcessResult r = Run({files.Path(), help});
        EXPECT_EQ(r.status, 0) << help;
        EXPECT_EQ(r.out, kUsageText) << help;
        EXPECT_EQ(r.err, "") << help;
    }
    ProcessResult v = Run({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_TRUE(std::regex_match(v.out, std::regex("quillon [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << v.out;

    const std::string readme = test::ReadWholeFile(std::string(QUILLON_SOURCE_DIR) + "/README.md");
    const std::string open = "## Command line\n\n```sh\n";
    const size_t start = readme.find(open);
    ASSERT_NE(start, std::string::npos);
    const size_t from = start + open.size();
    const std::string synopsis = readme.substr(from, readme.find("```", from) - from);
    EXPECT_EQ(std::string(kUsageText).rfind(synopsis, 0), 0u) << synopsis;
    EXPECT_NE(readme.find("| `--help`, `-h` |"), std::string::npos);
}

}  // namespace
}  // namespace quillon
