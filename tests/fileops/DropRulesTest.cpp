// Where a drop on a row goes, which drags from the panes may land, and the filter question's
// number agreement.
#include <gtest/gtest.h>

#include "core/Comparison.h"
#include "fileops/DropRules.h"
#include "platform/FileSystem.h"
#include "platform/Prompter.h"
#include "support/FileOpsSupport.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

class DropRulesTest : public test::StoreFixture {
  protected:
    void SetUp() override {
        Dir().MakeTree({{"L/a/b/f.txt", "f"}, {"L/top.txt", "t"}, {"R/a/", ""}, {"R/x/", ""}});
        Dir().Symlink(Dir() / "L/a", "R/x/toA");
        ASSERT_TRUE(cmp_.CompareFolders(paths_[0], paths_[1], 0));
    }
    DiffItem* Row(const std::string& path) { return test::RowAt(cmp_, path); }
    Comparison cmp_;
    std::string paths_[2] = {Dir() / "L", Dir() / "R"};
};

// A folder row takes the drop itself, a file row its folder, ".." the pane's folder; a folder the
// pane lacks is named from the other pane's tree.
TEST_F(DropRulesTest, FolderOfTheRow) {
    const struct {
        const char* row;
        int side;
        const char* folder;  // below the test folder
    } cases[] = {
        {"a", 0, "L/a"},           {"a", 1, "R/a"},     {"a/b", 0, "L/a/b"}, {"a/b", 1, "R/a/b"},
        {"a/b/f.txt", 1, "R/a/b"}, {"top.txt", 0, "L"}, {"top.txt", 1, "R"}, {"x", 0, "L/x"}};
    for (const auto& c : cases) {
        ASSERT_NE(Row(c.row), nullptr) << c.row;
        EXPECT_EQ(DropFolder(*Row(c.row), c.side, paths_[c.side]), Dir() / c.folder)
            << c.row << " " << c.side;
    }
    EXPECT_EQ(DropFolder(*Row("a"), 0, ""), "");
}

// A folder inside a dragged one refuses the drag, also when reached through a link; a dragged row
// and its own folder refuse it in the pane it came from only.
TEST_F(DropRulesTest, InsideDragsStayOutOfTheirOwnFolders) {
    FileSystem& fs = RealFileSystem();
    const std::vector<const DiffItem*> dragged{Row("a/b")};
    const std::vector<std::string> paths{Dir() / "L/a/b"};
    EXPECT_FALSE(InsideDropAllowed(fs, Row("a/b"), 0, paths_[0], 0, dragged, paths));
    EXPECT_FALSE(InsideDropAllowed(fs, Row("a"), 0, paths_[0], 0, dragged, paths));
    EXPECT_FALSE(InsideDropAllowed(fs, Row("a/b/f.txt"), 0, paths_[0], 0, dragged, paths));
    EXPECT_FALSE(InsideDropAllowed(fs, nullptr, 1, paths_[1], 0, dragged, paths));
    EXPECT_TRUE(InsideDropAllowed(fs, Row("a"), 1, paths_[1], 0, dragged, paths));
    EXPECT_TRUE(InsideDropAllowed(fs, Row("top.txt"), 0, paths_[0], 0, dragged, paths));
    EXPECT_TRUE(FolderContains(fs, Dir() / "L/a", Dir() / "R/x/toA/b"));
    EXPECT_FALSE(FolderContains(fs, Dir() / "L/a/b", Dir() / "L/a"));
    const auto refusal = CheckDrop(fs, paths_[1], Dir() / "R/x/toA/b", {Dir() / "L/a"}, true);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->text, "Cannot copy a: The destination folder is under the source folder");
    EXPECT_FALSE(CheckDrop(fs, paths_[1], Dir() / "R/x", {Dir() / "L/a"}, false));
    // A folder the pane lacks yet is made by the drop; a folder that cannot be worked out, or a
    // file in its place, stops it.
    EXPECT_FALSE(CheckDrop(fs, paths_[1], Dir() / "R/a/b", {Dir() / "L/top.txt"}, true));
    for (const std::string& folder : {std::string(), Dir() / "L/top.txt", Dir() / "L/top.txt/x"}) {
        const auto refused = CheckDrop(fs, paths_[1], folder, {Dir() / "L/a"}, true);
        ASSERT_TRUE(refused) << folder;
        EXPECT_EQ(refused->text, kDropMissingParentText) << folder;
    }
    EXPECT_EQ(CheckDrop(fs, "", "", {Dir() / "L/top.txt"}, true)->text,
              "Cannot copy top.txt: The destination view is empty.");
}

// "has" for one folder, "s have" for more.
TEST(DropRules, FilterQuestionAgreesInNumber) {
    EXPECT_EQ(FilterFolderQuestion(kFilterDirDropFormat, "", 1).substr(0, 30),
              "1 folder has been selected whi");
    EXPECT_EQ(FilterFolderQuestion(kFilterDirClipboardFormat, kFilterDirClipboardTail, 3),
              "3 folders have been selected while File-filter is on,\nwhich means there may be "
              "some files not displayed but they will be included\nto the clipboard.\n\nDo you "
              "still want to continue?");
}

}  // namespace
}  // namespace quillon
