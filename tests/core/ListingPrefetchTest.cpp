#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/FolderScan.h"
#include "core/ListingPrefetch.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

using Names = std::vector<std::string>;

Names SortedNames(std::vector<FolderEntry> entries) {
    Names names;
    for (const FolderEntry& e : entries) {
        names.push_back(e.name + (e.isFolder ? "/" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

Names ListDirect(const std::string& path) {
    std::vector<FolderEntry> entries;
    FolderReader reader(path);
    FolderEntry entry;
    while (reader.Next(entry, true)) {
        entries.push_back(entry);
    }
    return SortedNames(std::move(entries));
}

class PrefetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.MakeTree({{"top/b/x.txt", "1"},
                       {"top/B/y.txt", "2"},
                       {"top/a/deep/z.txt", "3"},
                       {"top/$DiffUndo1$a/hidden.txt", "4"},
                       {"top/only-ignored/x$diffundo/w.txt", "5"},
                       {"top/marker-only/$farlinkfarlinkupdated", "6"},
                       {"top/file.txt", "7"},
                       {"other/c/", ""}});
        dir_.Symlink("a", "top/link-to-a");
    }
    test::TestDir dir_;
};

// The walk visits the folders in the order the whole-tree read asks for them, with the listings
// a direct read gives: sibling order, no backups or links, folders without content not entered.
TEST_F(PrefetchTest, WalkOrderAndListings) {
    const std::string top = dir_ / "top";
    const std::string other = dir_ / "other";
    ListingPrefetch prefetch({top, other}, 4);
    const Names order = {top,         top + "/a",           top + "/a/deep",       top + "/B",
                         top + "/b",  top + "/marker-only", top + "/only-ignored", other,
                         other + "/c"};
    for (const std::string& path : order) {
        std::vector<FolderEntry> entries;
        ASSERT_TRUE(prefetch.Take(path, entries)) << path;
        EXPECT_EQ(SortedNames(std::move(entries)), ListDirect(path)) << path;
    }
    std::vector<FolderEntry> entries;
    EXPECT_FALSE(prefetch.Take(other + "/c/none", entries));
}

// Asked for a folder out of turn, the prefetch gives up for good rather than hand out a listing
// of another folder.
TEST_F(PrefetchTest, OutOfTurnStops) {
    const std::string top = dir_ / "top";
    ListingPrefetch prefetch({top}, 2);
    std::vector<FolderEntry> entries;
    ASSERT_TRUE(prefetch.Take(top, entries));
    EXPECT_FALSE(prefetch.Take(top + "/b", entries));
    EXPECT_FALSE(prefetch.Take(top + "/a", entries));
}

// The whole-tree read learns whether a folder has content from its one listing, by the same
// rules as FolderHasContent: ignored subfolders and transfer markers are not content, and such a
// folder is not read.
TEST_F(PrefetchTest, WholeTreeHasChildrenFromOneListing) {
    Comparison cmp;
    cmp.readWholeTrees = true;
    ASSERT_TRUE(cmp.CompareFolders(dir_ / "top", dir_ / "other", 0));
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

}  // namespace
}  // namespace quillon
