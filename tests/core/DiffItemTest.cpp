#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
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

// File and folder of one name stay two items; case twins too, each joined and found by exact name.
TEST(InsertOrMerge, PairsByKindAndSpelling) {
    DiffItem kinds;
    InsertOrMerge(Entry("Report", false, 0), &kinds);
    InsertOrMerge(Entry("Report", true, 1), &kinds);
    InsertOrMerge(Entry("!bang", false, 0), &kinds);
    InsertOrMerge(Entry("..", false, 0), &kinds);
    InsertOrMerge(Entry("..", false, 1), &kinds);
    InsertOrMerge(Entry("!BANG", false, 1), &kinds);
    EXPECT_EQ(test::ChildSummary(&kinds),
              (std::vector<std::string>{"..:2:LR", "!bang:2:LR", "Report:0:L-", "Report:3:-R"}));
    EXPECT_TRUE(IsConsistent(&kinds, false));
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

// Removals keep the ends and the hash lookup right; the consistency check sees order, links, rows.
TEST(TreeOps, RemoveLookupAndDamage) {
    DiffItem root;
    for (int i = 0; i < 50; ++i) {
        InsertOrMerge(Entry("f" + std::to_string(i), true, 0), &root);
    }
    EXPECT_EQ(RemoveItem(root.firstChild)->name, "f1");
    EXPECT_EQ(root.firstChild->name, "f1");
    EXPECT_EQ(RemoveItem(root.LastChild()), nullptr);
    EXPECT_EQ(root.LastChild()->name, "f8");
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
    std::swap(root.firstChild->name, root.LastChild()->name);
    EXPECT_FALSE(IsConsistent(&root, false));
    std::swap(root.firstChild->name, root.LastChild()->name);
    DiffItem* second = root.firstChild->next;
    second->prevCycle = nullptr;
    EXPECT_FALSE(IsConsistent(&root, false));
    second->prevCycle = root.firstChild;
    RenumberRows(&root);
    EXPECT_TRUE(IsConsistent(&root, true));
    second->row = 7;
    std::string why;
    EXPECT_FALSE(IsConsistent(&root, true, &why));
    EXPECT_NE(why.find("row"), std::string::npos);
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
}

// The batch merge gives the tree of one-at-a-time insertion in sorted order, exact spellings first.
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
            std::set<std::string> used;
            const int n = 1 + static_cast<int>(rng() % 12);
            for (int i = 0; i < n; ++i) {
                const std::string name = stems[rng() % stems.size()];
                const bool isFile = name != ".." && (rng() % 2) == 0;
                if (!used.insert(name + (isFile ? "f" : "d")).second) {
                    continue;  // a folder lists a name once
                }
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

// The stored numbers rebuild the pane texts; an item absent on a side shows nothing there.
TEST(DiffItemTexts, SizeVersionAbsentSideAndSharedFolder) {
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
    EXPECT_EQ(item->Image(kSideLeft), kIconFileAbsent);
    EXPECT_EQ(item->Image(kSideRight), kIconFileRightOnly);
    delete item;
    // Siblings share one folder text instead of copying it.
    SharedPath dir("/some/folder");
    DiffItem a, b;
    a.SetDir(0, dir);
    b.SetDir(0, dir);
    EXPECT_TRUE(a.DirRef(0).SameAs(b.DirRef(0)));
    EXPECT_EQ(a.Dir(0), "/some/folder");
    EXPECT_EQ(dir.UseCount(), 3u);
    a.ClearSide(0);
    EXPECT_EQ(dir.UseCount(), 2u);
}

// Merging the other side (2: both sides) into an item, singly or in a batch, makes it both-sided.
TEST(InsertOrMerge, StatusTransitions) {
    const std::pair<int, int> cases[] = {{0, 1}, {1, 0}, {0, 2}, {1, 2}};
    auto item = [](bool isFile, int side) {
        DiffItem* made = Entry("Same", isFile, side == 2 ? 0 : side);
        if (side == 2) {
            made->SetDir(kSideRight, "/r");
            made->SetStatus(isFile ? ItemStatus(StatusBothPresent) : ItemStatus(FolderBoth));
        }
        return made;
    };
    for (const auto& [first, second] : cases) {
        for (const bool isFile : {false, true}) {
            for (const bool batch : {false, true}) {
                SCOPED_TRACE(::testing::Message() << first << second << isFile << batch);
                DiffItem root;
                InsertOrMerge(item(isFile, first), &root);
                DiffItem* merged = batch
                                       ? InsertOrMergeSorted({item(isFile, second)}, &root).front()
                                       : InsertOrMerge(item(isFile, second), &root);
                EXPECT_EQ(root.firstChild, merged);
                EXPECT_EQ(merged->next, nullptr);
                EXPECT_EQ(merged->Status(),
                          isFile ? ItemStatus(StatusBothPresent) : ItemStatus(FolderBoth));
                EXPECT_TRUE(merged->Has(kSideLeft) && merged->Has(kSideRight));
            }
        }
    }
}

// The minute test agrees with comparing texts across daylight-saving changes and before 1970.
TEST(DiffItemTexts, MinuteTestAgreesWithTexts) {
    test::ScopedZone zone("America/New_York");
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

// Names order by UTF-16 code unit after folding A-Z, with no locale collation.
TEST(NameOrder, LesserSortsFirstBothWaysAndSiblingsByKind) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"digits before underscore", "9", "_"},
        {"underscore before letters", "_", "a"},
        {"underscore before folded capitals", "_", "A"},
        {"folding ignores case", "apple", "BANANA"},
        {"prefix first", "abc", "ABCD"},
        {"ASCII before Latin-1", "z", "\xC3\xA9"},
        // U+FFFD is one UTF-16 unit above every surrogate: it follows U+1F600.
        {"supplementary before U+E000..U+FFFF", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD"},
        {"private use after supplementary", "\xF4\x8F\xBF\xBF", "\xEE\x80\x80"},
        {"below surrogates before supplementary", "\xED\x9F\xBF", "\xF0\x90\x80\x80"},
        {"invalid byte after every character", "\xEF\xBF\xBF", "\xFF"},
        {"invalid bytes by value", "\x80", "\xFE"},
        {"overlong form is invalid", "\xEF\xBF\xBF", "\xC0\x80"},
        {"truncated sequence is invalid", "\xF0\x9F\x98\x80", "\xF0\x9F\x98"},
        {"non-ASCII letters are not folded", "\xC3\x89", "\xC3\xA9"}};
    // A shared prefix of whole characters (ASCII, multi-byte, invalid) must not change the order,
    // however far into a character the first differing byte lies.
    for (const std::string prefix : {"", "Prefix.Long_", "n\xC3\xA9", "\xE2\x82\xAC", "\xFF"}) {
        for (const auto& [what, lesser, greater] : cases) {
            EXPECT_LT(CompareNames(prefix + lesser, prefix + greater), 0) << what << " " << prefix;
            EXPECT_GT(CompareNames(prefix + greater, prefix + lesser), 0) << what << " " << prefix;
        }
    }
    // Case-only differences are equal for pairing but still ordered for one side's two entries.
    EXPECT_EQ(CompareNames("Read.ME", "read.me"), 0);
    EXPECT_LT(CompareNamesExact("Read.ME", "read.me"), 0);
    EXPECT_GT(CompareNamesExact("read.me", "Read.ME"), 0);
    EXPECT_EQ(CompareNamesExact("same", "same"), 0);
    EXPECT_LT(CompareNamesExact("a", "B"), 0);  // case never outranks the folded order
    // Siblings: ".." first, then folders, then files; folders and files each by name.
    DiffItem dots, folder, file, zFolder;
    dots.name = "..";
    folder.name = "!first";
    zFolder.name = "zz";
    file.name = "!";
    file.isFile = 1;
    EXPECT_TRUE(SiblingLess(dots, folder));
    EXPECT_TRUE(SiblingLess(folder, zFolder));
    EXPECT_TRUE(SiblingLess(zFolder, file));
    EXPECT_FALSE(SiblingLess(file, dots));
}

}  // namespace
}  // namespace quillon
