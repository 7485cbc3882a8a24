// The program run as a command without a display: the report run, the start on files, help and
// version, and the terminal progress line of the report run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "app/DisplayStart.h"
#include "app/ReportRun.h"
#include "app/Usage.h"
#include "support/FakeTool.h"
#include "support/RunProcess.h"
#include "support/StoreFixture.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

using namespace std::string_literals;
using test::ProcessResult;

class ReportRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
        const time_t t = test::LocalTime(2010, 1, 4, 12, 34);
        trees.MakeTree({{"L/a.txt", "x", t},
                        {"L/keep.txt", "same", t},
                        {"L/sub/in.txt", "k", t},
                        {"L/only.txt", "abc", t},
                        {"R/a.txt", "xy", t},
                        {"R/keep.txt", "same", t},
                        {"R/sub/in.txt", "k", t}});
        // The version column would only show what was never read.
        store_.WriteProfileInt("OutputFormat", "VersionColumn", 0);
    }

    ProcessResult Run(std::vector<std::string> args) {
        // No display at all: the report run must not need one.
        return test::RunProcess(test::QuillonProgram(), args, {"DISPLAY=", "WAYLAND_DISPLAY="});
    }

    test::TestDir trees;
    std::string L = trees / "L";
    std::string R = trees / "R";
};

// Differences exit 1 and the report goes to standard output (its layout is pinned with the
// writer), read down into the subfolder. The display filter of the command line narrows the
// report like the window's list.
TEST_F(ReportRun, DifferencesToStdout) {
    ProcessResult r = Run({"-Report:6:3:0", L, R});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("1st DIR [" + L + "] vs 2nd DIR [" + R + "]\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\t./in.txt\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("./only.txt\t"), std::string::npos) << r.out;

    r = Run({"-Report:6:3:2", "-FILTER:512", L, R});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out.find("keep.txt"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(L + "/a.txt\n" + R + "/a.txt\t"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(L + "/only.txt\t"), std::string::npos) << r.out;

    // ANSI is the character set of the user's locale even though the report run sets up no
    // toolkit: under a UTF-8 locale a name keeps its characters, with CR LF line ends.
    trees.WriteFile("L/caf\xC3\xA9.txt", "x");
    r = test::RunProcess(test::QuillonProgram(), {"-Report:2:0:1", L, R},
                         {"DISPLAY=", "LC_ALL=C.UTF-8"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("\r\ncaf\xC3\xA9.txt\t"), std::string::npos) << r.out;
}

// Equal trees exit 0; a folder in both sides is no difference. Relative folders are named as
// absolute ones. A folder pair with a link on one side is not read on either side, so the run
// cannot say the trees are equal: it names the pair and exits 2 instead of 0.
TEST_F(ReportRun, EqualTreesExitZero) {
    ProcessResult r =
        test::RunProcess(test::QuillonProgram(), {"./L/../L/sub/", "/REPORT:0:3:1", "R/sub"},
                         {"DISPLAY=", "WAYLAND_DISPLAY="}, trees.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1st DIR [" + L + "/sub] vs 2nd DIR [" + R +
                         "/sub]\n\nOnly different files will be displayed.\n\n");
    trees.MakeTree({{"L/sub/linked/f.txt", "x"}, {"target/f.txt", "y"}});
    ASSERT_EQ(symlink("../../target", (R + "/sub/linked").c_str()), 0);
    r = Run({"-Report:0:3:0", L + "/sub", R + "/sub"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err, "quillon: not compared, a folder link: " + L + "/sub/linked <-> " + R +
                         "/sub/linked\n");
}

// Values not on the command line come from the stored options; the spreadsheet file starts with
// its UTF-16 mark and replaces what was there. Loading the options writes every value back, as the
// options dialog does; with logging on the run's log holds the argument line.
TEST_F(ReportRun, StoredOptionsOutputFileAndLog) {
    store_.WriteProfileInt("Settings", "LogEnabled", 1);
    store_.WriteProfileInt("OutputFormat", "OutputDiffOption", 1);
    store_.WriteProfileInt("OutputFormat", "OutputEncoding", 2);
    store_.WriteProfileInt("OutputFormat", "FilenameOption", 1);
    trees.WriteFile("out.txt", "previous contents that must go");
    ProcessResult r = Run({"-Report::1", "-Out:" + trees / "out.txt", L, R});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
    // The stored content (1: differences, spreadsheet) in the encoding of the command line.
    std::string wide;
    for (char c : "1st DIR [" + L + "] vs 2nd DIR [" + R + "]\n\n[sub]\t\t\t\t[sub]\t(Both)\n") {
        wide += std::string{c, '\0'};
    }
    const std::string out = trees.ReadFile("out.txt");
    EXPECT_EQ(out.rfind("\xFF\xFE" + wide, 0), 0u);
    EXPECT_EQ(out.find("k\0e\0e\0p\0"s), std::string::npos);
    for (const char* entry : {"OutputDiffOption", "OutputEncoding", "FilenameOption", "hhmmss",
                              "bBytesLabel", "bDiffStatLabel", "OutputPath", "OutputFile"}) {
        EXPECT_TRUE(
            registry_
                .GetValue(RegHive::CurrentUser, "Software\\Marrowby\\Quillon\\OutputFormat", entry)
                .has_value())
            << entry;
    }
    std::vector<std::string> logs = Dir().List("tmp/quillon_log");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(Dir().ReadFile("tmp/quillon_log/" + logs[0]).find("cmd args = -Report::1 -Out:"),
              std::string::npos);
}

// Trouble exits 2 with exactly one line on standard error and nothing on standard output.
TEST_F(ReportRun, TroubleExitsTwoWithOneLine) {
    const struct {
        const char* why;
        std::vector<std::string> args;
        const char* says = "";  // a part of the line
    } cases[] = {{"missing right folder", {"-Report", L, trees / "nowhere"}},
                 {"a file is not a folder", {"-Report", L + "/a.txt", R}},
                 {"one folder only", {"-Report", L}},
                 {"index out of range", {"-Report:8", L, R}},
                 {"encoding out of range", {"-Report:0:4", L, R}},
                 {"unwritable output", {"-Report", "-Out:" + (trees / "no/dir/r.txt"), L, R}}};
    for (const auto& c : cases) {
        ProcessResult r = Run(c.args);
        EXPECT_EQ(r.status, 2) << c.why;
        EXPECT_EQ(r.out, "") << c.why;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.why << ": " << r.err;
    }
}

// An unreadable folder does not stop the report: it is named on standard error afterwards and
// the run exits 2. Run as nobody, since root reads everything.
TEST_F(ReportRun, UnreadableFolderIsNamedAfterTheReport) {
    trees.MakeTree({{"L/closed/x.txt", "x"}});
    test::OpenToNobody(Dir());
    test::OpenToNobody(trees);
    chmod((L + "/closed").c_str(), 0);
    std::vector<std::string> args{"-Report:0:3:0", L, R};
    std::string program = test::QuillonProgram();
    if (geteuid() == 0) {
        args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", program});
        program = "/usr/bin/setpriv";
    }
    ProcessResult r = test::RunProcess(program, args, {"DISPLAY=", "WAYLAND_DISPLAY="});
    chmod((L + "/closed").c_str(), 0755);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.out.find("./only.txt"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "quillon: cannot read " + L + "/closed: " + std::strerror(EACCES) + "\n");
}

// What a terminal progress line with `intervalMs` between redraws writes while `act` runs.
std::string Written(int intervalMs, const std::function<void(ProgressSink&)>& act) {
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    TerminalProgressFactory factory(f, intervalMs);
    auto sink = factory.Open("Q");
    act(*sink);
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        text.push_back(char(c));
    }
    sink.reset();  // its destructor still writes to the stream
    std::fclose(f);
    return text;
}

// Each update redraws the one line in place; hiding blanks it and returns to the line start.
// Updates closer together than the interval are not drawn: a fast scan stays fast. A long text is
// cut so that the line never wraps (a wrapped line cannot be redrawn with "\r").
TEST(ProgressLine, RedrawsInPlaceThrottlesAndNeverWraps) {
    const std::string last = "Q: Reading a b 4/10";
    EXPECT_EQ(Written(0,
                      [](ProgressSink& sink) {
                          sink.SetRange(10, "Reading a\nb", true);
                          sink.SetPos(4);
                          sink.Hide();
                      }),
              "\rQ: Reading a b 0/10\r" + last + "\r" + std::string(last.size(), ' ') + "\r");
    EXPECT_EQ(Written(60000,
                      [](ProgressSink& sink) {
                          for (int i = 0; i < 1000; ++i) {
                              EXPECT_FALSE(sink.Update("x", uint64_t(i)));
                          }
                      }),
              "\rQ: x");
    const std::string cut =
        Written(0, [](ProgressSink& sink) { sink.SetText(std::string(300, 'n')); });
    EXPECT_LE(cut.size(), 80u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "...");
}

const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

class FileStart : public test::StoreFixture {
  protected:
    void SetUp() override {
        files.MakeTree({{"a.txt", "one\n"},
                        {"b.txt", "two\n"},
                        {"c.bin", "\177ELF\0\1\0\2"s},
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

// Without the tool and without a display the user is told in one line and the start fails. Two
// text files go to the text diff editor together; a binary first file goes to the viewer alone
// when the second is text, tiled vertically. The program then ends without a window. The window
// (or the rename wizard) without any display: one line that points to -Report, and no abort in
// the toolkit.
TEST_F(FileStart, FilesGoToTheirToolOrFailWithoutDisplay) {
    ProcessResult r = Run({files / "a.txt", files / "b.txt"}, true);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "quillon: Scrivlet name is empty.\n");
    Register("Scrivlet.exe", "scrivlet");
    Register("Panorel.exe", "panorel");
    r = Run({files / "a.txt", files / "b.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFakeToolArgs(tools / "scrivlet"),
              (std::vector<std::string>{files / "a.txt", files / "b.txt"}));
    r = Run({files / "c.bin", files / "a.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::ReadFakeToolArgs(tools / "panorel"),
              (std::vector<std::string>{files / "c.bin", "/TILE_VERT"}));

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{files.Path(), files / "emptybin"},
          {},
          {"-SARename", files / "a.txt", files / "b.txt"}}) {
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
