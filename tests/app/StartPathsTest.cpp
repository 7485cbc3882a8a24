#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/PathUtil.h"
#include "support/RunProcess.h"
#include "support/TempConfigEnv.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

struct AbsoluteCase {
    const char* base;
    const char* path;
    const char* expected;
};

void PrintTo(const AbsoluteCase& c, std::ostream* os) {
    *os << c.base << " + " << c.path;
}

class AbsolutePathTable : public ::testing::TestWithParam<AbsoluteCase> {};

// Joined to the current folder and folded as text, never resolved; ".." stops at the root.
TEST_P(AbsolutePathTable, FoldsAsText) {
    EXPECT_EQ(AbsolutePath(GetParam().base, GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AbsolutePathTable,
    ::testing::Values(AbsoluteCase{"/w/src", "examples/left", "/w/src/examples/left"},
                      AbsoluteCase{"/w/src", "examples/left/..", "/w/src/examples"},
                      AbsoluteCase{"/w/src", "../..", "/"},
                      AbsoluteCase{"/w/src", "../../../..", "/"},
                      AbsoluteCase{"/w", "./a//b/./", "/w/a/b"}, AbsoluteCase{"/w", ".", "/w"},
                      AbsoluteCase{"/w", "link/../x", "/w/x"},
                      AbsoluteCase{"/w", "/abs/./p/../q", "/abs/q"}, AbsoluteCase{"/w", "/..", "/"},
                      AbsoluteCase{"/w", "//", "/"}, AbsoluteCase{"/", "a", "/a"},
                      AbsoluteCase{"/w", "", ""}));

// Every path argument and the report file, the joined list too; the argument line stays as typed.
TEST(MakePathsAbsolute, EveryPathOfTheCommandLine) {
    CommandLine cmd = ParseCommandLine({"-Report", "-Out:../r.txt", "L/", "../R", "x/.."});
    MakePathsAbsolute(cmd, "/home/u/work");
    EXPECT_EQ(cmd.paths, (std::vector<std::string>{"/home/u/work/L", "/home/u/R", "/home/u/work"}));
    EXPECT_EQ(cmd.joinedPaths, "/home/u/work/L;/home/u/R;/home/u/work;");
    EXPECT_EQ(cmd.report.outPath, "/home/u/r.txt");
    EXPECT_EQ(cmd.cmdArgs, "-Report -Out:../r.txt L/ ../R x/.. ");
}

// The program itself stores the absolute folders: the report names them so.
TEST(MakePathsAbsolute, ProgramNamesAbsoluteFolders) {
    test::TempConfigEnv env;
    test::TestDir trees;
    trees.MakeTree({{"L/a.txt", "x"}, {"R/a.txt", "x"}});
    test::ProcessResult r =
        test::RunProcess(test::QuillonProgram(), {"-Report:6:3:1", "./L/../L", "R/"},
                         {"DISPLAY=", "WAYLAND_DISPLAY="}, trees.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("1st DIR [" + trees / "L" + "] vs 2nd DIR [" + trees / "R" + "]\n", 0),
              0u)
        << r.out;
}

}  // namespace
}  // namespace quillon
