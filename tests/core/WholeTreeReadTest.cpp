#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Comparison.h"
#include "core/FolderScan.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

using Names = std::vector<std::string>;

void MakeMixedTree(test::TestDir& dir) {
    dir.MakeTree({{"top/b/x.txt", "1"},
                  {"top/B/y.txt", "2"},
                  {"top/a/deep/z.txt", "3"},
                  {"top/$DiffUndo1$a/hidden.txt", "4"},
                  {"top/only-ignored/x$diffundo/w.txt", "5"},
                  {"top/marker-only/$farlinkfarlinkupdated", "6"},
                  {"top/file.txt", "7"},
                  {"other/c/", ""}});
    dir.Symlink("a", "top/link-to-a");
}

// The whole-tree read learns whether a folder has content from its one listing, by the same
// rules as FolderHasContent: ignored subfolders and transfer markers are not content, and such a
// folder is not read.
TEST(WholeTreeRead, HasChildrenFromOneListing) {
    test::TestDir dir;
    MakeMixedTree(dir);
    Comparison cmp;
    cmp.readWholeTrees = true;
    ASSERT_TRUE(cmp.CompareFolders(dir / "top", dir / "other", 0));
    EXPECT_EQ(test::RowNames(cmp.rootItem),
              (Names{"..", "a", "  deep", "    z.txt", "B", "  y.txt", "b", "  x.txt", "c",
                     "link-to-a", "marker-only", "only-ignored", "file.txt"}));
    for (const DiffItem* c = cmp.rootItem->firstChild; c; c = c->next) {
        if (c->isFile || c->IsDotDot() || !c->Has(kSideLeft)) {
            continue;
        }
        EXPECT_EQ(c->hasChildren[kSideLeft], FolderHasContent(c->FullPath(kSideLeft))) << c->name;
        EXPECT_EQ(c->expanded[kSideLeft], c->firstChild != nullptr) << c->name;
    }
}

struct ThreadCase {
    unsigned threads;
    bool startsRefused;  // the system lets no thread start
};

void PrintTo(const ThreadCase& c, std::ostream* os) {
    *os << c.threads << (c.startsRefused ? " refused" : "");
}

// Enough pairs for the reader pool, the content pipeline of a whole-tree read and the parallel
// status pass, with differing contents of equal size and one-sided files.
void MakeWideTree(test::TestDir& dir) {
    std::vector<test::TreeEntry> tree;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        tree.push_back({"L/" + name, "ab"});
        tree.push_back({"R/" + name, i % 5 == 0 ? "ax" : "ab"});
        const std::string deep = "d" + std::to_string(i % 8) + "/e" + std::to_string(i % 3) + "/";
        tree.push_back({"L/" + deep + name, "cd"});
        tree.push_back({(i % 7 == 0 ? "L/" : "R/") + deep + "g" + name, "g"});
        tree.push_back({"R/" + deep + name, i % 4 == 0 ? "cx" : "cd"});
    }
    dir.MakeTree(tree);
}

std::string ReadAndCompare(const test::TestDir& dir, unsigned threads) {
    Comparison cmp;
    cmp.options.threads = threads;
    cmp.options.crc32 = 1;
    cmp.readWholeTrees = true;
    cmp.CompareFolders(dir / "L", dir / "R", 0);
    std::string out;
    for (const std::string& row : test::TreeSummary(cmp.rootItem)) {
        out += row + "\n";
    }
    // Every pair compared again by the status pass, which takes more than one thread here.
    cmp.options.crc32 = ComparisonOptions::kChecksumSimple;
    cmp.RecomputeFileStatuses(cmp.rootItem);
    for (const std::string& row : test::TreeSummary(cmp.rootItem)) {
        out += row + "\n";
    }
    return out;
}

// One thread and several read and compare to the same tree, also when the system refuses to
// start any thread and the calling thread does all the work.
class ThreadCount : public ::testing::TestWithParam<ThreadCase> {};

TEST_P(ThreadCount, GivesTheOneThreadTree) {
    test::TestDir dir;
    MakeWideTree(dir);
    const std::string one = ReadAndCompare(dir, 1);
    ASSERT_NE(one.find("\nd0:2:LR\n  e0:2:LR\n    f0.txt:1:LR\n"), std::string::npos);
    ASSERT_NE(one.find("\nf1.txt:0:LR\n"), std::string::npos);
    const unsigned threads = GetParam().threads;
    if (!GetParam().startsRefused) {
        EXPECT_EQ(ReadAndCompare(dir, threads), one);
        return;
    }
    test::OpenToNobody(dir);
    const std::optional<std::string> seen = test::RunAsNobody([&]() -> std::string {
        const rlimit none{1, 1};
        setrlimit(RLIMIT_NPROC, &none);
        try {
            std::thread([] {}).join();
            return "a thread still starts";
        } catch (const std::system_error&) {
        }
        return ReadAndCompare(dir, threads);
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, one);
}

INSTANTIATE_TEST_SUITE_P(Table, ThreadCount,
                         ::testing::Values(ThreadCase{2, false}, ThreadCase{3, false},
                                           ThreadCase{8, false}, ThreadCase{4, true}));

}  // namespace
}  // namespace quillon
