// The export run from outside: the program started without a display copies the differing files,
// says how many, and its exit status tells a full export from a partial one and from trouble.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/RunProcess.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using test::ProcessResult;

class CopyDiffRun : public test::StoreFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(access(test::QuillonProgram().c_str(), X_OK), 0) << test::QuillonProgram();
        const time_t t = test::LocalTime(2012, 2, 3, 4, 5);
        trees.MakeTree({{"L/a.txt", "x", t},
                        {"L/same.txt", "s", t},
                        {"L/sub/in.txt", "left", t},
                        {"L/sub/in.log", "left", t},
                        {"L/only.txt", "o", t},
                        {"R/a.txt", "xy", t},
                        {"R/same.txt", "s", t},
                        {"R/sub/in.txt", "right!", t},
                        {"R/sub/in.log", "right!", t}});
    }
    ProcessResult Run(const std::vector<std::string>& args, const std::string& cwd = {}) {
        return test::RunProcess(test::QuillonProgram(), args, {"DISPLAY=", "WAYLAND_DISPLAY="},
                                cwd);
    }
    test::TestDir trees;
    std::string L = trees / "L";
    std::string R = trees / "R";
};

// Both sides under _Left and _Right, a relative -Out taken from the current folder; the display
// filter of the command line narrows what is exported as it narrows a report.
TEST_F(CopyDiffRun, CopiesTheDifferingFiles) {
    ProcessResult r = Run({"-CopyDiff:2", "-Out:out", L, R}, trees.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "6 file(s) copied to " + trees / "out" + ".\n");
    EXPECT_EQ(trees.List("out"),
              (std::vector<std::string>{"_Left/", "_Left/a.txt", "_Left/sub/", "_Left/sub/in.log",
                                        "_Left/sub/in.txt", "_Right/", "_Right/a.txt",
                                        "_Right/sub/", "_Right/sub/in.log", "_Right/sub/in.txt"}));
    EXPECT_EQ(trees.ReadFile("out/_Right/sub/in.txt"), "right!");

    r = Run({"/copydiff:1", "-FILTER:2:txt", "-Out:" + trees / "txt", L, R});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(trees.List("txt"), (std::vector<std::string>{"a.txt", "sub/", "sub/in.txt"}));
}

// A skipped special file makes the status 1 with the entry named on standard error; trouble
// (a refused destination, a bad side, a missing -Out or folder) is 2 with one line.
TEST_F(CopyDiffRun, ExitStatusAndOneLinePerProblem) {
    trees.MakeFifo("L/pipe");
    trees.WriteFile("R/pipe", "data");
    ProcessResult r = Run({"-CopyDiff:0", "-Out:" + trees / "out", L, R});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "quillon: skipped " + L + "/pipe: a FIFO, socket or device is never copied\n");
    EXPECT_TRUE(trees.Exists("out/sub/in.txt"));

    const struct {
        std::vector<std::string> args;
        std::string errStart;
    } troubles[] = {
        {{"-CopyDiff:2", "-Out:" + L + "/x", L, R}, "quillon: the destination " + L + "/x lies"},
        {{"-CopyDiff:2", "-Out:" + trees.Path(), L, R}, "quillon: the destination"},
        {{"-CopyDiff:3", "-Out:" + trees / "o3", L, R}, "quillon: bad -CopyDiff switch"},
        {{"-CopyDiff", "-Out:" + trees / "o4", L, R}, "quillon: bad -CopyDiff switch"},
        {{"-CopyDiff:1", L, R}, "quillon: -CopyDiff needs"},
        {{"-CopyDiff:1", "-Out:" + trees / "o5", L, trees / "missing"}, "quillon: not a folder"},
    };
    for (const auto& t : troubles) {
        r = Run(t.args);
        EXPECT_EQ(r.status, 2) << t.args[0] << " " << t.args[1];
        EXPECT_EQ(r.err.rfind(t.errStart, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(trees.Exists("L/x"));
    EXPECT_FALSE(trees.Exists("o3"));
}

}  // namespace
}  // namespace quillon
