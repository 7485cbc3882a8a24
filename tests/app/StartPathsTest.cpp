#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/PathUtil.h"

namespace quillon {
namespace {

// Joined to the current folder and folded as text, never resolved; ".." stops at the root.
TEST(AbsolutePath, FoldsAsText) {
    const struct {
        const char* base;
        const char* path;
        const char* expected;
    } cases[] = {{"/w/src", "examples/left", "/w/src/examples/left"},
                 {"/w/src", "examples/left/..", "/w/src/examples"},
                 {"/w/src", "../..", "/"},
                 {"/w/src", "../../../..", "/"},
                 {"/w", "./a//b/./", "/w/a/b"},
                 {"/w", ".", "/w"},
                 {"/w", "link/../x", "/w/x"},
                 {"/w", "/abs/./p/../q", "/abs/q"},
                 {"/w", "/..", "/"},
                 {"/w", "//", "/"},
                 {"/", "a", "/a"},
                 {"/w", "", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(AbsolutePath(c.base, c.path), c.expected) << c.base << " + " << c.path;
    }
}

// Every path argument and the report file, the joined list too; the argument line stays as typed.
TEST(MakePathsAbsolute, EveryPathOfTheCommandLine) {
    CommandLine cmd = ParseCommandLine({"-Report", "-Out:../r.txt", "L/", "../R", "x/.."});
    MakePathsAbsolute(cmd, "/home/u/work");
    EXPECT_EQ(cmd.paths, (std::vector<std::string>{"/home/u/work/L", "/home/u/R", "/home/u/work"}));
    EXPECT_EQ(cmd.joinedPaths, "/home/u/work/L;/home/u/R;/home/u/work;");
    EXPECT_EQ(cmd.report.outPath, "/home/u/r.txt");
    EXPECT_EQ(cmd.cmdArgs, "-Report -Out:../r.txt L/ ../R x/.. ");
}

}  // namespace
}  // namespace quillon
