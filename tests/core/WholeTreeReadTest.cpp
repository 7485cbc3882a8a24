#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/FolderScan.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

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

}  // namespace
}  // namespace quillon
