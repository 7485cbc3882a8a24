#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/PathUtil.h"
#include "core/DiffItem.h"

namespace quillon {
namespace {

struct JoinCase {
    const char* root;
    std::vector<std::string> names;
};

// A joined path reads exactly as JoinPath would spell it, from a root path of any form and names
// of every pooled size and beyond.
TEST(SharedPath, JoinedTextEqualsJoinPath) {
    const std::string longName(200, 'n');
    const JoinCase cases[] = {
        {"/", {"a", "b"}},
        {"/tmp/left", {"x", "yy", std::string(8, 'c'), std::string(48, 'd'), longName}},
        {"/tmp/left/", {"", "e"}},
        {"", {"f", "g"}},
        {"rel", {"ü-name", "with space"}},
    };
    for (const JoinCase& c : cases) {
        SharedPath path(c.root);
        std::string expected = c.root;
        for (const std::string& name : c.names) {
            EXPECT_EQ(path.JoinedText(name), JoinPath(expected, name)) << c.root << " + " << name;
            path = SharedPath::Join(path, name);
            expected = JoinPath(expected, name);
            EXPECT_EQ(path.Text(), expected);
            EXPECT_FALSE(path.Empty());
        }
    }
    EXPECT_EQ(SharedPath().Text(), "");
    EXPECT_TRUE(SharedPath("").Empty());
}

// A folder's path outlives the entries and subfolders that let it go, and an item's full path is
// built on it.
TEST(SharedPath, SharedByEntriesSurvivesTheirFree) {
    SharedPath subfolder;
    {
        const SharedPath root("/data/left");
        subfolder = SharedPath::Join(root, "sub");
        std::vector<DiffItem*> entries;
        for (int i = 0; i < 5; ++i) {
            entries.push_back(NewDiffItem());
            entries.back()->name = "file" + std::to_string(i);
            entries.back()->SetDir(kSideLeft, subfolder);
        }
        EXPECT_EQ(subfolder.UseCount(), 6u);
        EXPECT_EQ(root.UseCount(), 2u);
        for (int i = 0; i < 3; ++i) {
            delete entries[i];
        }
        EXPECT_EQ(subfolder.UseCount(), 3u);
        EXPECT_EQ(entries[4]->FullPath(kSideLeft), "/data/left/sub/file4");
        delete entries[3];
        delete entries[4];
    }
    // The parent's text is gone with its last own holder but still read through the child.
    EXPECT_EQ(subfolder.UseCount(), 1u);
    EXPECT_EQ(subfolder.Text(), "/data/left/sub");
    const SharedPath deeper = SharedPath::Join(SharedPath::Join(subfolder, "a"), "b");
    subfolder = SharedPath();
    EXPECT_EQ(deeper.Text(), "/data/left/sub/a/b");
}

}  // namespace
}  // namespace quillon
