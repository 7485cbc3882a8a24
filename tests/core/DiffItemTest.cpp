#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/DiffItem.h"
#include "support/ScopedEnv.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

DiffItem* Entry(const std::string& name, bool isFile, int side, const std::string& dir = "") {
    DiffItem* item = NewDiffItem();
    item->name = name;
    item->isFile = isFile ? 1 : 0;
    item->SetStatus(isFile ? ItemStatus(FileOnlyOn(side)) : ItemStatus(FolderOnlyOn(side)));
    item->SetDir(side, dir.empty() ? (side == 0 ? "/l" : "/r") : dir);
    return item;
}

std::string Describe(const DiffItem* holder) {
    std::string out;
    for (const DiffItem* c = holder->firstChild; c; c = c->next) {
        out += c->Name(0) + "|" + c->Name(1) + "|" + (c->Has(0) ? "L" : "-") +
               (c->Has(1) ? "R" : "-") + "|" + std::to_string(c->StatusCode()) + ";";
    }
    return out;
}

// A name that is a file on one side and a folder on the other stays two items.
TEST(InsertOrMerge, FileAndFolderOfOneNameStayApart) {
    DiffItem root;
    InsertOrMerge(Entry("Report", false, 0), &root);
    InsertOrMerge(Entry("Report", true, 1), &root);
    EXPECT_EQ(test::ChildSummary(&root), (std::vector<std::string>{"Report:0:L-", "Report:3:-R"}));
    EXPECT_TRUE(IsConsistent(&root, false));
}

// Two entries of one side that differ only in case are two items; the other side's entry
// joins its exact spelling, and every lookup prefers the exact spelling.
TEST(InsertOrMerge, OneSideCasePairStaysTwoItems) {
    DiffItem root;
    InsertOrMerge(Entry("a.txt", true, 0), &root);
    InsertOrMerge(Entry("A.txt", true, 0), &root);
    InsertOrMerge(Entry("a.txt", true, 1), &root);
    EXPECT_EQ(Describe(&root), "A.txt|A.txt|L-|2;a.txt|a.txt|LR|4;");
    DiffItem batch;
    InsertOrMergeSorted({Entry("a.txt", true, 0)}, &batch);
    InsertOrMergeSorted({Entry("A.txt", true, 1), Entry("a.txt", true, 1)}, &batch);
    EXPECT_EQ(Describe(&batch), "A.txt|A.txt|-R|3;a.txt|a.txt|LR|4;");
    EXPECT_TRUE(IsConsistent(&root, false));
    for (const char* name : {"a.txt", "A.txt"}) {
        EXPECT_EQ(FindChild(&root, 1, name)->name, name);
        EXPECT_EQ(FindSibling(1, name, root.firstChild)->name, name);
        EXPECT_EQ(FindFileByPath(std::string("/l/") + name, &root)->name, name);
    }
}

// Folder statuses merge to FolderBoth; the ".." item stays first.
TEST(InsertOrMerge, FoldersMergeAndDotDotLeads) {
    DiffItem root;
    InsertOrMerge(Entry("!bang", false, 0), &root);
    InsertOrMerge(Entry("..", false, 0), &root);
    InsertOrMerge(Entry("..", false, 1), &root);
    InsertOrMerge(Entry("!BANG", false, 1), &root);
    EXPECT_EQ(test::ChildSummary(&root), (std::vector<std::string>{"..:2:LR", "!bang:2:LR"}));
}

// Removing the first or last child moves firstChild/lastChild to the neighbour.
TEST(TreeOps, RemoveFirstAndLast) {
    DiffItem root;
    for (const char* n : {"a", "b", "c"}) {
        InsertOrMerge(Entry(n, true, 0), &root);
    }
    DiffItem* first = root.firstChild;
    EXPECT_EQ(RemoveItem(first)->name, "b");
    EXPECT_EQ(root.firstChild->name, "b");
    EXPECT_EQ(RemoveItem(root.lastChild), nullptr);
    EXPECT_EQ(root.lastChild->name, "b");
    EXPECT_EQ(root.firstChild, root.lastChild);
    EXPECT_TRUE(IsConsistent(&root, false));
}

// Rows run depth-first; ItemAtRow, IsDescendantOf and FindFileByPath follow the tree.
TEST(TreeOps, RowsAndLookups) {
    DiffItem root;
    DiffItem* sub = InsertOrMerge(Entry("Sub", false, 0), &root);
    InsertOrMerge(Entry("inner.txt", true, 0, "/l/Sub"), sub);
    InsertOrMerge(Entry("top.txt", true, 0), &root);
    RenumberRows(&root);
    EXPECT_TRUE(IsConsistent(&root, true));
    EXPECT_EQ(ItemAtRow(&root, 1)->name, "inner.txt");
    EXPECT_EQ(ItemAtRow(&root, 2)->name, "top.txt");
    EXPECT_EQ(ItemAtRow(&root, 3), nullptr);
    EXPECT_TRUE(IsDescendantOf(ItemAtRow(&root, 1), &root));
    EXPECT_FALSE(IsDescendantOf(ItemAtRow(&root, 2), sub));
    EXPECT_EQ(FindFileByPath("/L/sub/INNER.txt", &root), ItemAtRow(&root, 1));
    EXPECT_EQ(FindFileByPath("/l/inner.txt", &root), nullptr);
    ItemAtRow(&root, 2)->row = 7;
    std::string why;
    EXPECT_FALSE(IsConsistent(&root, true, &why));
    EXPECT_NE(why.find("row"), std::string::npos);
}

// The consistency check notices a broken order and a broken link.
TEST(TreeOps, ConsistencyCheckFindsDamage) {
    DiffItem root;
    InsertOrMerge(Entry("a", true, 0), &root);
    InsertOrMerge(Entry("b", true, 0), &root);
    std::swap(root.firstChild->name, root.lastChild->name);
    EXPECT_FALSE(IsConsistent(&root, false));
    std::swap(root.firstChild->name, root.lastChild->name);
    root.lastChild->prev = nullptr;
    EXPECT_FALSE(IsConsistent(&root, false));
    root.lastChild->prev = root.firstChild;
    EXPECT_TRUE(IsConsistent(&root, false));
}

// The batch merge of a folder gives exactly the tree of one-at-a-time insertion in sorted order,
// exact spellings first.
TEST(InsertOrMergeSorted, EqualsOneAtATime) {
    const std::vector<std::string> stems = {
        "a",    "A",  "b",        "Zeta",         "zeta",
        "_x",   "9",  "\xC3\xA9", "\xEF\xBF\xBD", "\xF0\x9F\x98\x80",
        "\xFF", "..", "Mix",      "mIX",          "miX"};
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        DiffItem single, batch;
        for (int side = 0; side < 2; ++side) {
            std::vector<DiffItem*> a, b;
            std::vector<std::string> used;
            const int n = 1 + static_cast<int>(rng() % 12);
            for (int i = 0; i < n; ++i) {
                const std::string name = stems[rng() % stems.size()];
                const bool isFile = name != ".." && (rng() % 2) == 0;
                const std::string key = name + (isFile ? "f" : "d");
                if (std::find(used.begin(), used.end(), key) != used.end()) {
                    continue;  // a folder lists a name once
                }
                used.push_back(key);
                a.push_back(Entry(name, isFile, side));
                b.push_back(Entry(name, isFile, side));
            }
            std::stable_sort(a.begin(), a.end(), [](const DiffItem* x, const DiffItem* y) {
                return SiblingLess(*x, *y);
            });
            auto exactPartner = [&single](const DiffItem* item) {
                for (const DiffItem* c = single.firstChild; c; c = c->next) {
                    if (c->isFile == item->isFile && c->name == item->name &&
                        (!c->Has(kSideLeft) || !c->Has(kSideRight))) {
                        return true;
                    }
                }
                return false;
            };
            std::stable_partition(a.begin(), a.end(), exactPartner);
            for (DiffItem* item : a) {
                InsertOrMerge(item, &single);
            }
            std::shuffle(b.begin(), b.end(), rng);
            InsertOrMergeSorted(std::move(b), &batch);
        }
        ASSERT_EQ(Describe(&single), Describe(&batch)) << "round " << round;
        std::string why;
        ASSERT_TRUE(IsConsistent(&batch, false, &why)) << why;
    }
}

// The hash lookup stays right while children come and go.
TEST(FindChild, IndexFollowsInsertAndRemove) {
    DiffItem root;
    for (int i = 0; i < 50; ++i) {
        InsertOrMerge(Entry("f" + std::to_string(i), true, 0), &root);
    }
    ASSERT_NE(FindChild(&root, 1, "F17"), nullptr);
    EXPECT_EQ(FindChild(&root, 0, "f17"), nullptr);
    RemoveItem(FindChild(&root, 1, "f17"));
    EXPECT_EQ(FindChild(&root, 1, "f17"), nullptr);
    InsertOrMerge(Entry("F17", true, 0), &root);
    InsertOrMerge(Entry("f17", true, 0), &root);
    EXPECT_EQ(FindChild(&root, 1, "f17")->name, "f17");
    EXPECT_EQ(FindChild(&root, 1, "F17")->name, "F17");
    RemoveItem(FindChild(&root, 1, "F17"));
    EXPECT_EQ(FindChild(&root, 1, "F17")->name, "f17");
    EXPECT_TRUE(IsConsistent(&root, false));
}

// The stored numbers rebuild the pane texts; an item absent on a side shows nothing there.
TEST(DiffItemTexts, SizeVersionAndAbsentSide) {
    DiffItem* item = Entry("x.dll", true, 1);
    item->size[1] = 1234567;
    item->SetVersionFromText(1, "1.2.65535.4");
    EXPECT_EQ(item->SizeText(1), "1,234,567");
    EXPECT_EQ(item->VersionText(1), "1.2.65535.4");
    EXPECT_EQ(item->SizeText(0), "");
    EXPECT_EQ(item->VersionText(0), "");
    EXPECT_EQ(item->TimeText(0), "");
    EXPECT_EQ(item->size[0], 0u);
    item->SetVersionFromText(1, "");
    EXPECT_EQ(item->VersionText(1), "");
    item->SetVersion(1, VersionState::kNotRead);
    EXPECT_EQ(item->VersionText(1), "skipped");
    AssignIcons(item);
    EXPECT_EQ(item->leftImage, kIconFileAbsent);
    EXPECT_EQ(item->rightImage, kIconFileRightOnly);
    delete item;
}

struct MergeCase {
    bool isFile;
    ItemStatus firstStatus;   // the item already in the folder
    ItemStatus secondStatus;  // the item merged into it
    ItemStatus expected;
};

class MergeStatus : public ::testing::TestWithParam<std::tuple<MergeCase, bool>> {};

DiffItem* ScanItem(bool isFile, ItemStatus status) {
    DiffItem* item = NewDiffItem();
    item->name = "Same";
    item->isFile = isFile ? 1 : 0;
    item->SetStatus(status);
    const ItemStatus bothCode = isFile ? ItemStatus(StatusBothPresent) : ItemStatus(FolderBoth);
    const ItemStatus leftCode = isFile ? ItemStatus(StatusLeftOnly) : ItemStatus(FolderLeftOnly);
    if (status == bothCode || status == leftCode) {
        item->SetDir(kSideLeft, "/l");
    }
    if (status != leftCode) {
        item->SetDir(kSideRight, "/r");
    }
    return item;
}

// The status a merge leaves, for files and folders, one at a time and in the batch form: the
// other side turns a one-sided item into a both-sided one, an item from both sides always does.
TEST_P(MergeStatus, Transitions) {
    const auto& [c, batch] = GetParam();
    DiffItem root;
    InsertOrMerge(ScanItem(c.isFile, c.firstStatus), &root);
    DiffItem* second = ScanItem(c.isFile, c.secondStatus);
    DiffItem* merged =
        batch ? InsertOrMergeSorted({second}, &root).front() : InsertOrMerge(second, &root);
    EXPECT_EQ(root.firstChild, merged);
    EXPECT_EQ(merged->next, nullptr);
    EXPECT_EQ(merged->Status(), c.expected);
    EXPECT_TRUE(merged->Has(kSideLeft) && merged->Has(kSideRight));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeStatus,
    ::testing::Combine(
        ::testing::Values(MergeCase{false, FolderLeftOnly, FolderRightOnly, FolderBoth},
                          MergeCase{false, FolderRightOnly, FolderLeftOnly, FolderBoth},
                          MergeCase{false, FolderLeftOnly, FolderBoth, FolderBoth},
                          MergeCase{false, FolderRightOnly, FolderBoth, FolderBoth},
                          MergeCase{true, StatusLeftOnly, StatusRightOnly, StatusBothPresent},
                          MergeCase{true, StatusRightOnly, StatusLeftOnly, StatusBothPresent},
                          MergeCase{true, StatusLeftOnly, StatusBothPresent, StatusBothPresent},
                          MergeCase{true, StatusRightOnly, StatusBothPresent, StatusBothPresent}),
        ::testing::Bool()));

// The minute test without texts agrees with comparing the texts, across the daylight-saving
// changes of a zone (where an hour repeats or is skipped) and before 1970.
TEST(DiffItemTexts, MinuteTestAgreesWithTexts) {
    struct ZoneRestore {
        ~ZoneRestore() { tzset(); }
    } restore;  // runs after the variable below is put back
    test::ScopedEnv zone("TZ", "America/New_York");
    tzset();
    DiffItem item;
    item.isFile = 1;
    item.SetDir(0, "/l");
    item.SetDir(1, "/r");
    std::mt19937_64 rng(11);
    // 2021-11-07 05:00 UTC (the repeated hour), 2021-03-14 06:30 UTC (the skipped one), 1960.
    const int64_t anchors[] = {1636261200, 1615703400, -315619200};
    int equalSeen = 0;
    for (int round = 0; round < 3000; ++round) {
        const int64_t base = anchors[round % 3] + static_cast<int64_t>(rng() % 7200) - 3600;
        item.mtime[0] = base;
        item.mtime[1] = base + static_cast<int64_t>(rng() % 3721) - 60;
        const bool texts = item.TimeText(0) == item.TimeText(1);
        ASSERT_EQ(item.SameTimeText(), texts)
            << item.mtime[0] << " " << item.mtime[1] << " " << item.TimeText(0);
        equalSeen += texts ? 1 : 0;
    }
    EXPECT_GT(equalSeen, 0);
    item.mtime[0] = item.mtime[1] = DiffItem::kNoTime;
    EXPECT_TRUE(item.SameTimeText());
    EXPECT_EQ(item.TimeText(0), "");
}

// Siblings share one folder text instead of copying it.
TEST(DiffItemMemory, FolderPathIsShared) {
    SharedPath dir("/some/folder");
    DiffItem a, b;
    a.SetDir(0, dir);
    b.SetDir(0, dir);
    EXPECT_EQ(&a.Dir(0), &b.Dir(0));
    EXPECT_EQ(dir.UseCount(), 3u);
    a.ClearSide(0);
    EXPECT_EQ(dir.UseCount(), 2u);
}

}  // namespace
}  // namespace quillon
