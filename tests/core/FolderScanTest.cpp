#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "core/FolderScan.h"
#include "support/FakeProgress.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

using Rows = std::vector<std::string>;

class RecordingObserver : public ComparisonObserver {
  public:
    void BeginBatchUpdate() override { calls.push_back("begin"); }
    void EndBatchUpdate() override { calls.push_back("end"); }
    void ClearList() override { calls.push_back("clear"); }
    void FillListFromTree() override { calls.push_back("fill"); }
    void InsertChildRows(DiffItem* item, int row) override {
        calls.push_back("insert " + item->name + " " + std::to_string(row));
    }
    void DeleteDescendantRows(DiffItem* item, int row) override {
        calls.push_back("delete " + item->name + " " + std::to_string(row));
    }
    void ShowStatusPaths(const std::string& left, const std::string& right) override {
        calls.push_back("paths " + left + " " + right);
    }
    void DisarmEscExit() override { calls.push_back("disarm"); }
    std::vector<std::string> calls;
};

class ScanTest : public ::testing::Test {
  protected:
    std::string L() const { return dir_ / "left"; }
    std::string R() const { return dir_ / "right"; }
    void ExpectConsistent(bool rows = true) {
        std::string why;
        EXPECT_TRUE(IsConsistent(cmp_.rootItem, rows, &why)) << why;
    }
    test::TestDir dir_;
    Comparison cmp_;
};

// Pairing ignores case, folders first, left spelling shown; undo backups (not mid-name) hidden.
TEST_F(ScanTest, PairsByNameFoldersFirstAndOneSidedReads) {
    dir_.MakeTree({{"left/b.txt", "b"},
                   {"left/Sub/", ""},
                   {"left/a.TXT", "a"},
                   {"left/Report/", ""},
                   {"left/report", "r"},
                   {"left/$DIFFUNDO_x/", ""},
                   {"left/$diffundo20240101.tmp", "x"},
                   {"left/x$diffundo/", ""},
                   {"right/A.txt", "a"},
                   {"right/sub/", ""},
                   {"right/c.txt", "c"}});
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 1));
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem),
              (Rows{"..:2:LR", "Report:0:L-", "Sub:2:LR", "x$diffundo:0:L-", "a.TXT:0:LR",
                    "b.txt:2:L-", "c.txt:3:-R", "report:2:L-"}));
    const DiffItem* dots = cmp_.rootItem->firstChild;
    EXPECT_EQ(dots->level, 0);
    EXPECT_EQ(dots->next->level, 1);
    EXPECT_EQ(dots->next->next->next->next->FullPath(1), R() + "/A.txt");
    ExpectConsistent();
    ASSERT_TRUE(cmp_.CompareFolders(L(), "", 0));  // a left side alone: all left-only
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem),
              (Rows{"..:0:L-", "Report:0:L-", "Sub:0:L-", "x$diffundo:0:L-", "a.TXT:2:L-",
                    "b.txt:2:L-", "report:2:L-"}));
    ExpectConsistent();
    EXPECT_FALSE(cmp_.CompareFolders("", R(), 0));  // no left side, no read
    EXPECT_EQ(cmp_.rootItem->firstChild, nullptr);
    ASSERT_TRUE(cmp_.CompareFolders("/", "", 0));  // the file-system root gets its ".." at once
    const DiffItem* first = cmp_.rootItem->firstChild;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->name, "..");
    EXPECT_EQ(first->Dir(0), "/");
    ASSERT_NE(first->next, nullptr);
    EXPECT_NE(first->next->name, "..");
}

// Files go by lower-cased extension (none: kept), 0x100 keeps differing, 0x200 drops equal ones.
TEST_F(ScanTest, FiltersHideFilesNeverFolders) {
    dir_.MakeTree({{"left/x.TMP", "1"},
                   {"left/tmp", "2"},
                   {"left/a.txt", "3"},
                   {"left/b.doc", "4"},
                   {"left/Dl/", ""},
                   {"right/a.txt", "3"},
                   {"right/b.doc", "45"},
                   {"right/r.txt", "r"},
                   {"right/Dr/", ""}});
    const uint32_t none = FilterState::kNoExtensionFilter;
    const std::tuple<uint32_t, const char*, Rows> cases[] = {
        {FilterState::kExclusion, ";tmp;", {"..", "Dl", "Dr", "a.txt", "b.doc", "r.txt", "tmp"}},
        {FilterState::kInclusion,
         ";txt;doc;",
         {"..", "Dl", "Dr", "a.txt", "b.doc", "r.txt", "tmp"}},
        {FilterState::kInclusion, ";tmp;", {"..", "Dl", "Dr", "tmp", "x.TMP"}},
        {none | FilterState::kExclusion,
         ";tmp;",
         {"..", "Dl", "Dr", "a.txt", "b.doc", "r.txt", "tmp", "x.TMP"}},
        {none | FilterState::kDiffersOnBothSides, "", {"..", "Dl", "Dr", "b.doc"}},
        {none | FilterState::kDiffersAnyWay,
         "",
         {"..", "Dl", "Dr", "b.doc", "r.txt", "tmp", "x.TMP"}}};
    for (const auto& [flags, extensions, shown] : cases) {
        cmp_.filter = FilterState{true, flags, extensions, false};
        ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 0));
        EXPECT_EQ(test::RowNames(cmp_.rootItem), shown) << flags << extensions;
        ExpectConsistent();
    }
}

// Whole trees nest depth-first, content flags follow FolderHasContent; a link loop is not entered.
TEST_F(ScanTest, WholeTreesLevelsRowsAndLinks) {
    dir_.MakeTree({{"left/A/B/deep.txt", "d"},
                   {"left/A/mid.txt", "m"},
                   {"left/top.txt", "t"},
                   {"left/$DiffUndo1$a/hidden.txt", "4"},
                   {"left/ignored/x$diffundo/w.txt", "5"},
                   {"left/markers/$farlinkfarlinkupdated", "6"},
                   {"right/a/b/DEEP.txt", "d"},
                   {"right/a/empty/", ""}});
    dir_.Symlink("..", "left/A/loop");
    dir_.Symlink("missing-target", "left/A/dangling");
    cmp_.readWholeTrees = true;
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 0));
    EXPECT_EQ(test::RowNames(cmp_.rootItem),
              (Rows{"..", "A", "  B", "    deep.txt", "  empty", "  loop", "  dangling",
                    "  mid.txt", "ignored", "markers", "top.txt"}));
    for (const DiffItem* c = cmp_.rootItem->firstChild; c; c = c->next) {
        if (!c->isFile && !c->IsDotDot()) {
            EXPECT_EQ(c->hasChildren[0], FolderHasContent(c->FullPath(0))) << c->name;
            EXPECT_EQ(c->expanded[0], c->firstChild != nullptr) << c->name;
        }
    }
    const DiffItem* a = cmp_.rootItem->firstChild->next;
    EXPECT_TRUE(a->expanded[0] && a->expanded[1]);
    EXPECT_EQ(a->firstChild->level, 2);
    EXPECT_EQ(a->firstChild->firstChild->level, 3);
    EXPECT_EQ(a->firstChild->firstChild->FileState(), StatusSame);
    const DiffItem* empty = a->firstChild->next;
    EXPECT_EQ(empty->FolderState(), FolderRightOnly);
    EXPECT_FALSE(empty->hasChildren[1]);
    const DiffItem* loop = empty->next;
    EXPECT_TRUE(loop->hasChildren[0]);
    EXPECT_FALSE(loop->expanded[0]);
    EXPECT_TRUE(loop->sideFlags[0] & DiffItem::kFlagLink);
    const DiffItem* dangling = loop->next;
    EXPECT_EQ(dangling->isFile, 1u);
    EXPECT_EQ(dangling->TimeText(0), "");
    uint64_t count = 0;
    FolderSizeAndCount(L() + "/A", count, true, true);
    EXPECT_EQ(count, 5u);  // B, deep.txt, mid.txt, loop and dangling; the loop not entered
    ExpectConsistent();
}

// Expanding reads both sides below the row; collapsing frees them and renumbers.
TEST_F(ScanTest, ExpandAndCollapse) {
    dir_.MakeTree({{"left/Sub/one.txt", "1"},
                   {"left/Sub/two.txt", "2"},
                   {"left/z.txt", "z"},
                   {"right/Sub/two.txt", "2"},
                   {"right/Sub/three/", ""}});
    RecordingObserver observer;
    cmp_.SetObserver(&observer);
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 0));
    DiffItem* sub = cmp_.rootItem->firstChild->next;
    ASSERT_EQ(sub->name, "Sub");
    EXPECT_TRUE(sub->hasChildren[0] && sub->hasChildren[1]);
    EXPECT_EQ(sub->firstChild, nullptr);
    ASSERT_TRUE(cmp_.ExpandFolder(sub, sub->row, false));
    EXPECT_EQ(test::RowNames(cmp_.rootItem),
              (Rows{"..", "Sub", "  three", "  one.txt", "  two.txt", "z.txt"}));
    EXPECT_EQ(sub->Image(kSideLeft), kIconFolderOpen);
    EXPECT_EQ(cmp_.rootItem->LastChild()->row, 5);
    ExpectConsistent();
    cmp_.CollapseFolder(sub, sub->row);
    EXPECT_EQ(sub->firstChild, nullptr);
    EXPECT_FALSE(sub->expanded[0] || sub->expanded[1]);
    EXPECT_EQ(sub->Image(kSideRight), kIconFolderClosed);
    EXPECT_EQ(cmp_.rootItem->LastChild()->row, 2);
    ExpectConsistent();
    EXPECT_EQ(observer.calls, (Rows{"begin", "clear", "disarm", "fill", "paths " + L() + " " + R(),
                                    "end", "insert Sub 1", "delete Sub 1"}));
}

// Non-UTF-8 and case-differing names are read by each side's own bytes; a FIFO is never opened.
TEST_F(ScanTest, EntriesAreReadByTheirOwnNames) {
    const std::string odd = "caf\xE9-\xFF.txt";
    dir_.MakeTree({{"left/" + odd, "abcd"},
                   {"right/" + odd, "abXd"},
                   {"right/ok.txt", "o"},
                   {"left/Read.me", "same-size-1"},
                   {"right/READ.ME", "same-size-2"},
                   {"left/x.txt", "1"},
                   {"left/X.txt", "2"},
                   {"right/x.txt", "1"}});
    dir_.MakeFifo("left/pipe");
    dir_.MakeFifo("right/pipe");
    cmp_.options.crc32 = 1;
    cmp_.options.showVersions = 1;
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 0));
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem),
              (Rows{"..:2:LR", odd + ":1:LR", "ok.txt:3:-R", "pipe:0:LR", "Read.me:1:LR",
                    "X.txt:2:L-", "x.txt:0:LR"}));
    EXPECT_EQ(FindChild(cmp_.rootItem, 1, "Read.me")->FullPath(1), R() + "/READ.ME");
    EXPECT_TRUE(FindChild(cmp_.rootItem, 1, "pipe")->sideFlags[0] & DiffItem::kFlagSpecial);
    ExpectConsistent();
}

std::vector<test::TreeEntry> ManyFiles(const std::string& prefix, int n) {
    std::vector<test::TreeEntry> tree;
    for (int i = 0; i < n; ++i) {
        tree.push_back({prefix + std::to_string(i) + ".txt", "x"});
    }
    return tree;
}

// A window opens past 100 counted entries (markers left out) or many bytes; range: twice the count.
TEST_F(ScanTest, ProgressWindowTextsAndThresholds) {
    dir_.MakeTree(ManyFiles("markers/$FARLINKFarlinkUpdated", 120));
    dir_.MakeTree(ManyFiles("left/f", 120));
    dir_.MakeTree(ManyFiles("small/f", 50));
    dir_.MakeTree({{"right/only.txt", "r"}});
    test::FakeProgressFactory progress;
    cmp_.SetProgressFactory(&progress);
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 1));
    ASSERT_EQ(progress.opened.size(), 1u);
    const test::ProgressRecord& rec = progress.opened[0];
    EXPECT_EQ(rec.caption, "Quillon");
    EXPECT_EQ(rec.total, 240u);
    EXPECT_TRUE(rec.hidden);
    ASSERT_FALSE(rec.texts.empty());
    EXPECT_EQ(rec.texts.front(), "Reading " + L() + "...");
    for (const std::string& text :
         Rows{"Processing\nf7.txt", "Reading " + R() + "...",
              "Setting Diff status and indent values...", "Assigning indent for\nonly.txt"}) {
        EXPECT_NE(std::find(rec.texts.begin(), rec.texts.end(), text), rec.texts.end()) << text;
    }
    uint64_t count = 0;
    FolderSizeAndCount(dir_ / "markers", count, false, true);
    EXPECT_EQ(count, 0u);
    for (const auto& [quiet, rows] : {std::pair{"markers", 122u}, {"small", 52u}}) {
        ASSERT_TRUE(cmp_.CompareFolders(dir_ / quiet, R(), 1));
        EXPECT_EQ(progress.opened.size(), 1u) << quiet;
        EXPECT_EQ(test::RowNames(cmp_.rootItem).size(), rows) << quiet;
    }
    ASSERT_EQ(truncate((dir_ / "small/f0.txt").c_str(), 30000001), 0);
    ASSERT_TRUE(cmp_.CompareFolders(dir_ / "small", R(), 1));
    EXPECT_EQ(progress.opened.size(), 2u);
}

// A tree deeper than the descriptor limit is counted and read: no level keeps its listing open.
TEST_F(ScanTest, DeepTreeNeedsNoDescriptorPerLevel) {
    constexpr int kDepth = 150;
    std::string deep;
    for (int i = 0; i < kDepth; ++i) {
        deep += "d/";
    }
    dir_.MakeTree({{"left/" + deep + "bottom.txt", "b"}, {"right/" + deep + "bottom.txt", "b"}});
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const rlimit lowered{64, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    uint64_t count = 0;
    FolderSizeAndCount(L(), count, true, true);
    cmp_.readWholeTrees = true;
    test::FakeProgressFactory progress;
    cmp_.SetProgressFactory(&progress);
    const bool read = cmp_.CompareFolders(L(), R(), 0);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(count, kDepth + 1u);
    ASSERT_TRUE(read);
    const DiffItem* item = cmp_.rootItem->firstChild->next;
    for (int level = 1; level <= kDepth; ++level) {
        ASSERT_NE(item, nullptr) << "level " << level;
        EXPECT_EQ(item->FolderState(), FolderBoth);
        item = item->firstChild;
    }
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->name, "bottom.txt");
    EXPECT_EQ(item->FileState(), StatusSame);
    EXPECT_EQ(progress.opened.size(), 1u);  // more than 100 entries counted
}

// Cancel (also of reading threads) leaves an empty comparison and an expansion collapsed.
TEST_F(ScanTest, CancelLeavesNothing) {
    dir_.MakeTree(ManyFiles("left/f", 150));
    dir_.MakeTree(ManyFiles("left/Big/f", 150));
    dir_.MakeTree(ManyFiles("right/f", 150));
    dir_.MakeTree({{"right/Big/", ""}});
    test::FakeProgressFactory progress;
    progress.cancelAfterUpdates = 40;
    cmp_.SetProgressFactory(&progress);
    int pauses = 0;
    int resumes = 0;
    cmp_.SetAutoRefreshHooks({[&] { ++pauses; }, [&] { ++resumes; }});
    EXPECT_FALSE(cmp_.CompareFolders(L(), R(), 1));
    EXPECT_EQ(cmp_.rootItem->firstChild, nullptr);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(resumes, 1);
    progress.cancelAfterUpdates = -1;
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 1));
    DiffItem* big = cmp_.rootItem->firstChild->next;
    ASSERT_EQ(big->name, "Big");
    progress.cancelAfterUpdates = 10;
    EXPECT_FALSE(cmp_.ExpandFolderWithProgress(big, big->row, false));
    EXPECT_EQ(big->firstChild, nullptr);
    EXPECT_FALSE(big->expanded[0] || big->expanded[1]);
    EXPECT_EQ(progress.opened.back().texts.front(), "Reading folder(s)...");
    EXPECT_EQ(pauses, resumes);
    ExpectConsistent();
    // Several threads: each cancel falls in a top-level listing (the left one's 151 entries, then
    // the right one's), read by the calling thread alone before any pair is handed out.
    cmp_.readWholeTrees = true;
    cmp_.options.threads = 4;
    for (int at : {5, 160}) {
        SCOPED_TRACE("cancel at update " + std::to_string(at));
        progress.cancelAfterUpdates = at;
        EXPECT_FALSE(cmp_.CompareFolders(L(), R(), 1));
        EXPECT_EQ(cmp_.rootItem->firstChild, nullptr);
    }
    progress.cancelAfterUpdates = -1;
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 1));
    EXPECT_GE(progress.opened.back().lastPosition, 301u + 151u);  // what every thread read
    EXPECT_EQ(test::RowNames(cmp_.rootItem).size(), 302u);
    ExpectConsistent();
}

// Only backups and markers leave a folder empty; sizes and counts skip backups and dot-folders.
TEST(FolderContent, IgnoreRulesSizesAndCounts) {
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{}, false},
        {{"a"}, true},
        {{"d/"}, true},
        {{"$DiffUndo1x"}, false},
        {{"$FARLINKfarlinkupdated.txt"}, false},
        {{"x$diffundo/", "y$farlinkbu/"}, false},
        {{"$DIFFUNDO/"}, true},  // the folder marker is case-sensitive
        {{".hidden"}, true}};
    for (const auto& [entries, hasContent] : cases) {
        std::vector<test::TreeEntry> tree = {{"probe/", ""}};
        for (const std::string& e : entries) {
            tree.push_back({"probe/" + e, "x"});
        }
        test::TestDir dir;
        dir.MakeTree(tree);
        EXPECT_EQ(FolderHasContent(dir / "probe"), hasContent) << ::testing::PrintToString(entries);
    }
    test::TestDir dir;
    dir.MakeTree({{"p/a", "12345"},
                  {"p/$diffundo.x", "123"},
                  {"p/.cfg/in", "1234567"},
                  {"p/sub/b", "12"},
                  {"p/sub/c", "1"}});
    uint64_t count = 0;
    EXPECT_EQ(FolderSizeAndCount(dir / "p", count, false, true), 5u);
    EXPECT_EQ(count, 2u);
    count = 0;
    EXPECT_EQ(FolderSizeAndCount(dir / "p", count, true, false), 8u);
    EXPECT_EQ(count, 3u);
    count = 7;
    EXPECT_EQ(FolderSizeAndCount(dir / "missing", count, true, true), 0u);
    EXPECT_EQ(count, 7u);
}

// Rows stay numbered depth-first through expansions before other rows, nested ones (also of a last
// child, followed by its parent's siblings), recursive ones and collapses.
TEST_F(ScanTest, RowsStayNumberedThroughExpansions) {
    dir_.MakeTree({{"left/A/a1/deep.txt", "1"},
                   {"left/A/a2.txt", "1"},
                   {"left/B/b1/b2/x", "1"},
                   {"left/D/d1/deep.txt", "1"},
                   {"left/z.txt", "z"},
                   {"right/B/b1/more.txt", "2"}});
    // The folder toggled (names from the top), whether recursively, the rows shown afterwards.
    const std::vector<std::tuple<std::vector<std::string>, bool, size_t>> steps = {
        {{"A"}, false, 7}, {{"A", "a1"}, false, 8}, {{"B"}, true, 12},      {{"B", "b1"}, false, 9},
        {{"A"}, false, 6}, {{"D"}, false, 7},       {{"D", "d1"}, false, 8}};
    ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 0));
    for (const auto& [path, recurse, rows] : steps) {
        SCOPED_TRACE(::testing::PrintToString(path));
        DiffItem* item = cmp_.rootItem;
        for (const std::string& name : path) {
            ASSERT_NE(item = FindChild(item, 0, name), nullptr);
        }
        if (item->expanded[0] || item->expanded[1]) {
            cmp_.CollapseFolder(item, item->row);
        } else {
            ASSERT_TRUE(cmp_.ExpandFolder(item, item->row, recurse));
        }
        EXPECT_EQ(test::RowNames(cmp_.rootItem).size(), rows);
        ExpectConsistent();
    }
}

}  // namespace
}  // namespace quillon
