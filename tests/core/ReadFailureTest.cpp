// What a read cannot see, and how many threads read, must not change what is seen.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "platform/RunContext.h"
#include "support/FakeProgress.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"
#include "support/Unprivileged.h"

namespace quillon {
namespace {

using Rows = std::vector<std::string>;

// Entries of a folder that cannot be entered stay; every failure is kept per side and logged.
class UnreadableFolder : public ::testing::TestWithParam<bool> {};

TEST_P(UnreadableFolder, KeepsEntriesAndNamesEveryFailure) {
    const bool wholeTree = GetParam();
    test::TestDir dir;
    dir.MakeTree({{"L/locked/a.txt", "1"},
                  {"R/locked/a.txt", "1"},
                  {"L/closed/x.txt", "x"},
                  {"R/closed/x.txt", "x"},
                  {"tmp/", ""}});
    test::OpenToNobody(dir);
    chmod((dir / "tmp").c_str(), 0777);
    chmod((dir / "L/locked").c_str(), 0644);  // listed, not entered
    chmod((dir / "L/closed").c_str(), 0);     // not even listed: reads as empty
    const std::optional<std::string> seen = test::RunAsNobody([&] {
        setenv("TMPDIR", (dir / "tmp").c_str(), 1);
        ScopedRunContext run;
        OpenLog("Quillon", "log", true);
        SetLogEnabled(true);
        Comparison cmp;
        cmp.readWholeTrees = wholeTree;
        cmp.CompareFolders(dir / "L", dir / "R", 0);
        for (DiffItem* c = cmp.rootItem->firstChild; c && !wholeTree; c = c->next) {
            if (!c->isFile && !c->IsDotDot()) {
                cmp.ExpandFolder(c, c->row, false);
            }
        }
        std::string out;
        for (const std::string& row : test::TreeSummary(cmp.rootItem)) {
            out += row + "\n";
        }
        for (int side = 0; side < 2; ++side) {
            for (const ReadFailure& f : cmp.ReadFailures(side)) {
                out += std::to_string(side) + " " + f.path + " " + std::to_string(f.error) + "\n";
            }
        }
        return out + "--\n" + test::ReadWholeFile(GetLogPath());
    });
    chmod((dir / "L/locked").c_str(), 0755);
    chmod((dir / "L/closed").c_str(), 0755);
    ASSERT_TRUE(seen.has_value());
    const size_t logAt = seen->find("--\n");
    const std::string e = std::to_string(EACCES);
    EXPECT_EQ(seen->substr(0, logAt),
              "..:2:LR\nclosed:2:LR\n  x.txt:3:-R\nlocked:2:LR\n  a.txt:1:LR\n0 " +
                  (dir / "L/closed") + " " + e + "\n0 " + (dir / "L/locked/a.txt") + " " + e +
                  "\n");
    const std::string log = seen->substr(logAt);
    for (const char* path : {"L/closed", "L/locked/a.txt"}) {
        EXPECT_NE(log.find("Cannot read " + (dir / path) + "\tErrorCode: [" + e +
                           "]=" + std::strerror(EACCES)),
                  std::string::npos)
            << log;
    }
}

INSTANTIATE_TEST_SUITE_P(WholeTreeOrExpanded, UnreadableFolder, ::testing::Bool());

// A whole-tree read leaves a pair with a link on one side unread; expanding reads through the link.
TEST(FolderLinkPair, ReadOnlyWhenExpandedAndThenOnBothSides) {
    test::TestDir dir;
    dir.MakeTree({{"L/sub/f.txt", "f"},
                  {"L/sub/deep/g.txt", "g"},
                  {"T/f.txt", "f"},
                  {"T/deep/g.txt", "g"},
                  {"U/h.txt", "h"},
                  {"R/lnk/h.txt", "h"}});
    dir.Symlink("../T", "R/sub");
    dir.Symlink("../U", "L/lnk");
    const FilterState differing{true, FilterState::kNoExtensionFilter | FilterState::kDiffersAnyWay,
                                "", true};
    for (const FilterState& filter : {FilterState{}, differing}) {
        Comparison cmp;
        cmp.filter = filter;
        cmp.readWholeTrees = !filter.filterActive || ReadWholeTreesAfterFilter(filter, true);
        ASSERT_TRUE(cmp.readWholeTrees);
        ASSERT_TRUE(cmp.CompareFolders(dir / "L", dir / "R", 0));
        EXPECT_EQ(test::RowNames(cmp.rootItem), (Rows{"..", "lnk", "sub"}));
        for (const DiffItem* pair = cmp.rootItem->firstChild->next; pair; pair = pair->next) {
            EXPECT_TRUE(pair->hasChildren[0] && pair->hasChildren[1]) << pair->name;
            EXPECT_FALSE(pair->expanded[0] || pair->expanded[1]) << pair->name;
        }
        if (filter.filterActive) {
            continue;
        }
        // The window expands with recursion while expand-all is on.
        for (DiffItem* pair = cmp.rootItem->firstChild->next; pair; pair = pair->next) {
            ASSERT_TRUE(cmp.ExpandFolder(pair, pair->row, true));
        }
        EXPECT_EQ(test::TreeSummary(cmp.rootItem),
                  (Rows{"..:2:LR", "lnk:2:LR", "  h.txt:0:LR", "sub:2:LR", "  deep:2:LR",
                        "    g.txt:0:LR", "  f.txt:0:LR"}));
    }
}

std::string ReadAndCompare(const test::TestDir& dir, unsigned threads,
                           ProgressFactory* progress = nullptr) {
    Comparison cmp(nullptr, progress);
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

// One thread or several, or none startable, read and compare to the same tree.
TEST(ThreadCount, GivesTheOneThreadTree) {
    // Enough pairs for every pool, with equal-size differing contents and one-sided files.
    test::TestDir dir;
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
    const std::string one = ReadAndCompare(dir, 1);
    ASSERT_NE(one.find("\nd0:2:LR\n  e0:2:LR\n    f0.txt:1:LR\n"), std::string::npos);
    ASSERT_NE(one.find("\nf1.txt:0:LR\n"), std::string::npos);
    // Under a progress window the calling thread leaves the reading to the helpers.
    test::FakeProgressFactory windows;
    for (unsigned threads : {2u, 3u, 8u}) {
        EXPECT_EQ(ReadAndCompare(dir, threads), one) << threads;
        EXPECT_EQ(ReadAndCompare(dir, threads, &windows), one) << threads << " with a window";
    }
    ASSERT_EQ(windows.opened.size(), 3u);
    test::OpenToNobody(dir);
    const std::optional<std::string> seen = test::RunAsNobody([&]() -> std::string {
        const rlimit none{1, 1};
        setrlimit(RLIMIT_NPROC, &none);
        try {
            std::thread([] {}).join();
            return "a thread still starts";
        } catch (const std::system_error&) {
        }
        std::string both = ReadAndCompare(dir, 4);
        // Where no helper starts, the window's thread reads after all.
        return both == ReadAndCompare(dir, 4, &windows) ? both : "not the same with a window";
    });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(*seen, one);
}

}  // namespace
}  // namespace quillon
