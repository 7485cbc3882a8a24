// Copy to Right and Copy to Left on real trees: what lands on disk, what the journal holds, the
// questions asked before a folder is merged, the failure report, the progress window threshold
// and the rows that both panes hold afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "fileops/CopyToPane.h"
#include "fileops/FileCopy.h"
#include "fileops/ReplaceText.h"
#include "fileops/UndoJournal.h"
#include "platform/FaultFileSystem.h"
#include "support/FakeProgress.h"
#include "support/FakePrompter.h"
#include "support/FileOpsSupport.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Texts = std::vector<std::string>;

class CopyToPaneTest : public test::StoreFixture {
  protected:
    void SetUp() override { StartLog(); }
    std::string Side(int side) { return Dir() / (side == 0 ? "L" : "R"); }
    void Open(bool withRight = true) {
        paths_[0] = Side(0);
        paths_[1] = withRight ? Side(1) : "";
        ASSERT_TRUE(cmp_.CompareFolders(paths_[0], paths_[1], 0));
    }
    DiffItem* Row(const std::string& path) { return test::RowAt(cmp_, path); }
    CopyToPaneResult Copy(int destination, const Texts& rows, FileSystem& fs = RealFileSystem()) {
        std::vector<DiffItem*> items;
        for (const std::string& row : rows) {
            items.push_back(Row(row));
        }
        FileOpsContext ctx(fs, &journal_);
        const CopyToPaneScene scene{cmp_, paths_, prompter_, &progress_, nullptr};
        return CopyToOtherPane(ctx, scene, destination, items);
    }
    bool Paired(const std::string& row) { return Row(row)->Has(0) && Row(row)->Has(1); }

    Comparison cmp_;
    std::string paths_[2];
    UndoJournal journal_{"0102030405"};
    test::FakePrompter prompter_;
    test::FakeProgressFactory progress_;
};

class CopyEachWay : public CopyToPaneTest, public ::testing::WithParamInterface<int> {};

// A one-sided file, a file that replaces an older one, a one-sided folder and a file whose folders
// are missing in the other pane: each lands there (the missing chain made), the replaced file stays
// as its backup, one group journals the four items (not the folders made on the way), and every row
// is held by both panes with an equal status.
TEST_P(CopyEachWay, FilesAndFoldersLandJournalledAndPaired) {
    const int to = GetParam();
    const std::string from = to == 1 ? "L/" : "R/";
    const std::string into = to == 1 ? "R/" : "L/";
    const time_t when = test::LocalTime(2021, 3, 4, 5, 6);
    Dir().MakeTree({{from + "only.txt", "only", when},
                    {from + "diff.txt", "new!", when},
                    {from + "dir/sub/f.txt", "f", when},
                    {from + "a/b/c/g.txt", "g", when},
                    {into + "diff.txt", "old", when - 3600}});
    Open();
    const CopyToPaneResult result = Copy(to, {"diff.txt", "dir", "only.txt", "a/b/c/g.txt"});

    EXPECT_EQ(result.copied, 4);
    EXPECT_FALSE(result.progressShown || result.failed || !prompter_.shown.empty());
    EXPECT_EQ(Dir().ReadFile(into + "only.txt"), "only");
    EXPECT_EQ(Dir().ReadFile(into + "diff.txt"), "new!");
    EXPECT_EQ(Dir().ReadFile(into + "dir/sub/f.txt"), "f");
    ASSERT_EQ(journal_.undoList.size(), 1u);
    const UndoRecord& group = *journal_.undoList.front();
    EXPECT_EQ(group.Kind * 10 + group.Side, kUndoCopy * 10 + to);
    ASSERT_EQ(group.ChildCount(), 4);
    UndoRecord& replaced = *group.Children.back();
    EXPECT_EQ(test::ReadWholeFile(replaced.Tmp(1 - to)), "old");
    EXPECT_EQ(replaced.Org(to), Dir() / (into + "diff.txt"));
    for (const char* row : {"diff.txt", "only.txt", "dir/sub/f.txt", "a/b/c/g.txt"}) {
        EXPECT_TRUE(Paired(row) && Row(row)->FileState() == StatusSame) << row;
    }
    for (const char* row : {"dir", "a", "a/b", "a/b/c"}) {
        EXPECT_EQ(Row(row)->FolderState(), FolderBoth) << row;
    }
    EXPECT_EQ(Row("a/b")->Dir(to), Dir() / (into + "a"));
    const std::string xcopy = "XCopying a folder dir from \"" + Dir() / (from + "dir") +
                              "\" to \"" + Dir() / (into + "dir") + "\"...";
    size_t at = 0;
    for (const std::string line :
         {"starting COPY process...", "Copying a file diff.txt...", "Copying a folder dir...",
          xcopy.c_str(), "Copying a file only.txt...", "finishing COPY process..."}) {
        EXPECT_NE(at = LogText().find(line + "\n", at), std::string::npos) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Direction, CopyEachWay, ::testing::Values(0, 1));

struct Question {
    bool filter;
    std::vector<int> answers;
    Texts expected;  // the texts shown, in order
    bool copied;
};

class CopyQuestion : public CopyToPaneTest, public ::testing::WithParamInterface<Question> {};

// Only the first selected folder present in both panes is asked about: the filter warning when the
// display filter is on, then the overwrite question. No to either ends the command untouched.
TEST_P(CopyQuestion, FirstPairedFolderIsAskedAbout) {
    const Question& q = GetParam();
    Dir().MakeTree({{"L/a/new.txt", "n"}, {"L/b/x.txt", "x"}, {"R/a/keep.txt", "k"}, {"R/b/", ""}});
    Open();
    cmp_.filter.filterActive = q.filter;
    prompter_.script.assign(q.answers.begin(), q.answers.end());
    const CopyToPaneResult result = Copy(1, {"a", "b"});

    EXPECT_EQ(prompter_.Texts(), q.expected);
    EXPECT_EQ(result.cancelled, !q.copied);
    EXPECT_EQ(Dir().Exists("R/a/new.txt"), q.copied);
    EXPECT_EQ(Dir().Exists("R/b/x.txt"), q.copied);
    EXPECT_EQ(Dir().ReadFile("R/a/keep.txt"), "k");
    EXPECT_EQ(journal_.undoList.size(), q.copied ? 1u : 0u);
    EXPECT_EQ(LogText().find("cancelling COPY process...") != std::string::npos,
              !q.copied && q.expected.size() == (q.filter ? 2u : 1u));
    if (q.filter) {
        EXPECT_EQ(prompter_.shown[0].key, "FilterDirCopy_01");
        EXPECT_EQ(prompter_.shown[0].style, mb::kYesNo | mb::kIconExclamation);
    }
}

const std::string kOverwrite =
    "You are about to overwrite the existing folder from Left to Right.\nAre you sure you want to "
    "delete the selected item(s) including the folder?";
const std::string kFilterWarning =
    "Currently 'File Display Filter' is enabled.\nTherefore, copying a folder may copy the items "
    "which aren't currently visible.\n\nDo you still want to continue?";

INSTANTIATE_TEST_SUITE_P(
    Answers, CopyQuestion,
    ::testing::Values(Question{false, {mbr::kYes}, {kOverwrite}, true},
                      Question{false, {mbr::kNo}, {kOverwrite}, false},
                      Question{true, {mbr::kNo}, {kFilterWarning}, false},
                      Question{true, {mbr::kYes, mbr::kNo}, {kFilterWarning, kOverwrite}, false},
                      Question{true, {mbr::kYes, mbr::kYes}, {kFilterWarning, kOverwrite}, true}));

// Every failure is one line of the report, the command goes on with the next row, and the report
// is shown once at the end; what a failed copy would have replaced is back in place.
TEST_F(CopyToPaneTest, FailuresAreCollectedIntoOneReport) {
    Dir().MakeTree({{"L/a/f.txt", "f"},
                    {"L/x.txt", "new"},
                    {"L/y.txt", "y"},
                    {"R/a", "a file"},
                    {"R/x.txt", "old"}});
    Open();
    FaultFileSystem fs;
    fs.FailNth(FsCall::Sync, 1, ENOSPC);
    const CopyToPaneResult result = Copy(1, {"a/f.txt", "x.txt", "y.txt"}, fs);

    EXPECT_EQ(result.failed, 2);
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(Dir().ReadFile("R/x.txt"), "old");
    EXPECT_EQ(Dir().ReadFile("R/y.txt"), "y");
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].style, mb::kOk | mb::kIconStop);
    EXPECT_EQ(prompter_.shown[0].text,
              "The following operation(s) failed:\n- Copying [f.txt] due to its missing immediate "
              "parent and failure of SHCreateDirectoryEx().\n- Copying [" +
                  Dir() / "L/x.txt]\n" + "  to [" +
                  Dir() / "R/x.txt]\n  Reason: No space left on device\n");
    EXPECT_EQ(journal_.undoList.front()->ChildCount(), 1);
    EXPECT_EQ(Dir().List("R"), (Texts{"a", "x.txt", "y.txt"}));
}

// Without a folder in the other pane the destination cannot be worked out at all.
TEST_F(CopyToPaneTest, NoOtherPaneIsImpossible) {
    Dir().MakeTree({{"L/f.txt", "f"}});
    Open(false);
    EXPECT_EQ(Copy(1, {"f.txt"}).failed, 1);
    EXPECT_EQ(prompter_.Texts(), Texts{std::string(kFailedOperationsText) +
                                       "- Copying [f.txt] due to its missing immediate parent, "
                                       "which is considered IMPOSSIBLE.\n"});
    EXPECT_TRUE(journal_.undoList.empty());
}

// The same folder under two names is never copied onto itself.
TEST_F(CopyToPaneTest, AliasedPairIsRefused) {
    Dir().MakeTree({{"L/d/f.txt", "f"}, {"R/", ""}});
    Dir().Symlink("../L/d", "R/d");
    Open();
    prompter_.script = {mbr::kYes};
    EXPECT_EQ(Copy(1, {"d"}).failed, 1);
    EXPECT_EQ(Dir().List("L"), (Texts{"d/", "d/f.txt"}));
    EXPECT_TRUE(journal_.undoList.empty());
}

struct Load {
    int files;
    uint64_t shownSize;  // the size the row claims, which the totals take
    bool window;
    int cancelAfter;  // progress updates; -1: never
};

class CopyLoad : public CopyToPaneTest, public ::testing::WithParamInterface<Load> {};

// The progress window opens at 101 entries or 30,000,001 bytes; below that the wait cursor shows.
// Its Cancel stops a folder copy between two files: the part copied stays, unjournalled.
TEST_P(CopyLoad, ProgressWindowFromThreshold) {
    const Load& load = GetParam();
    std::vector<test::TreeEntry> tree{{"L/big.bin", "b"}, {"R/", ""}};
    for (int i = 0; i < load.files; ++i) {
        tree.push_back({"L/many/" + std::to_string(i), ""});
    }
    Dir().MakeTree(tree);
    Open();
    Row("big.bin")->size[0] = load.shownSize;
    progress_.cancelAfterUpdates = load.cancelAfter;
    const CopyToPaneResult result = Copy(1, {"many", "big.bin"});
    EXPECT_EQ(result.progressShown, load.window);
    ASSERT_EQ(progress_.opened.size(), load.window ? 1u : 0u);
    if (load.window) {
        EXPECT_EQ(progress_.opened[0].total, static_cast<uint64_t>(load.files) + 1);
        EXPECT_EQ(progress_.opened[0].texts.front(), "Copying the selected files.\n");
        EXPECT_TRUE(progress_.opened[0].hidden);
    }
    const size_t copied = Dir().List("R/many").size();
    EXPECT_GT(copied, 0u);
    EXPECT_EQ(copied == static_cast<size_t>(load.files), load.cancelAfter < 0);
    EXPECT_EQ(result.cancelled, load.cancelAfter >= 0);
    EXPECT_EQ(journal_.undoList.empty(), load.cancelAfter >= 0);
}

INSTANTIATE_TEST_SUITE_P(Totals, CopyLoad,
                         ::testing::Values(Load{99, 1, false, -1}, Load{100, 1, true, -1},
                                           Load{1, 30000000, false, -1},
                                           Load{1, 30000001, true, -1}, Load{120, 1, true, 10}));

// " (larger)" goes to the larger size only, " (newer)" to the later time only when the two are
// more than 5 seconds apart.
TEST(ReplaceText, LargerAndNewerMarkOneSide) {
    const time_t base = test::LocalTime(2022, 7, 8, 9, 10, 20);
    const struct {
        uint64_t existingSize, sourceSize;
        int sourceLater;    // seconds
        const char* marks;  // the existing file's, then the source's
    } cases[] = {{5, 5, 0, "----"}, {6, 5, 4, "L---"},  {5, 6, 5, "--L-"},
                 {5, 6, 6, "--LN"}, {7, 6, -6, "LN--"}, {7, 6, -5, "L---"}};
    for (const auto& c : cases) {
        const ReplaceText text = MakeReplaceText(
            {"a.txt", false, false, c.existingSize, base, c.sourceSize, base + c.sourceLater});
        ASSERT_EQ(text.lines.size(), 7u);
        std::string marks;
        for (const size_t line : {2, 3, 5, 6}) {
            marks += text.lines[line].ends_with(line % 3 == 2 ? " (larger)" : " (newer)")
                         ? (line % 3 == 2 ? "L" : "N")
                         : "-";
        }
        EXPECT_EQ(marks, c.marks) << c.sourceLater;
    }
}

// The lines of the file and folder dialogs.
TEST(ReplaceText, FileAndFolderLines) {
    const time_t t = test::LocalTime(2022, 7, 8, 9, 10);
    const ReplaceText one = MakeReplaceText({"a.txt", false, false, 1234567, t + 60, 12, t});
    EXPECT_EQ(one.lines, (Texts{"This folder already contains a file called 'a.txt'.",
                                "Do you want to replace the existing file",
                                "Size: 1.18 MB (larger)", "Modified: 07/08/2022 09:11 (newer)",
                                "with this one?", "Size: 12 bytes", "Modified: 07/08/2022 09:10"}));
    const ReplaceText folder = MakeReplaceText({"d", true, true, 0, t, 0, t});
    EXPECT_EQ(folder.lines,
              (Texts{"This folder already contains a folder called 'd'.",
                     "If the files in the existing folder have the same name as files in the "
                     "folder you are moving or copying, they will be replaced. Do you still want "
                     "to move or copy the folder?"}));
}

}  // namespace
}  // namespace quillon
