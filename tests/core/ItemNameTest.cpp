#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/DiffItem.h"
#include "core/ItemName.h"

namespace quillon {
namespace {

// Lengths on both sides of the inside/heap boundary.
const size_t kLengths[] = {0, 1, 22, 23, 24, 200};

std::string Text(size_t n, char first) {
    std::string text(n, 'x');
    for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<char>(first + i % 26);
    }
    return text;
}

void ExpectHolds(const ItemName& name, const std::string& text) {
    EXPECT_EQ(name.size(), text.size());
    EXPECT_EQ(name.view(), text);
    EXPECT_EQ(name.c_str()[text.size()], '\0');
    EXPECT_EQ(name.empty(), text.empty());
    EXPECT_EQ(std::string(name), text);
}

// Every way of filling a name keeps exactly its bytes, for each pair of old and new lengths.
TEST(ItemName, CopiesMovesAndAssignmentsAcrossTheInsideLimit) {
    for (size_t from : kLengths) {
        for (size_t to : kLengths) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            const std::string a = Text(from, 'a');
            const std::string b = Text(to, 'A');
            ItemName name(a);
            ExpectHolds(name, a);
            ItemName copy(name);
            name = b;
            ExpectHolds(name, b);
            ExpectHolds(copy, a);
            ItemName moved(std::move(copy));
            ExpectHolds(moved, a);
            ExpectHolds(copy, "");
            copy = moved;
            moved = std::move(name);
            ExpectHolds(moved, b);
            ExpectHolds(copy, a);
            using std::swap;
            swap(moved, copy);
            ExpectHolds(moved, a);
            ExpectHolds(copy, b);
            EXPECT_EQ(moved == copy, a == b);
            EXPECT_EQ((moved <=> copy) < 0, a < b);
            EXPECT_EQ(moved + "/" + copy, a + "/" + b);
        }
    }
}

// A name assigned a piece of itself (a folder renamed to a prefix of its name) reads correctly.
TEST(ItemName, AssignsAPieceOfItself) {
    for (size_t n : kLengths) {
        for (size_t keep : {size_t{0}, n / 2, n}) {
            const std::string text = Text(n, 'a');
            ItemName name(text);
            name = name.view().substr(n - keep);
            ExpectHolds(name, text.substr(n - keep));
        }
    }
}

DiffItem* File(const std::string& name) {
    DiffItem* item = NewDiffItem();
    item->name = name;
    item->isFile = 1;
    item->SetStatus(StatusLeftOnly);
    item->SetDir(kSideLeft, "/l");
    return item;
}

// The sibling links, walked both ways, match a plain list through random inserts and removals,
// the first, last and only child included.
TEST(SiblingLinks, MatchAListThroughInsertsAndRemovals) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        DiffItem root;
        std::vector<std::string> expected;
        for (int step = 0; step < 60; ++step) {
            if (expected.empty() || random() % 3 != 0) {
                const std::string name = "f" + std::to_string(random() % 1000);
                if (std::find(expected.begin(), expected.end(), name) != expected.end()) {
                    continue;
                }
                InsertOrMerge(File(name), &root);
                expected.push_back(name);
                std::sort(expected.begin(), expected.end(),
                          [](const auto& a, const auto& b) { return CompareNamesExact(a, b) < 0; });
            } else {
                const size_t at = random() % expected.size();
                DiffItem* item = root.firstChild;
                for (size_t i = 0; i < at; ++i) {
                    item = item->next;
                }
                RemoveItem(item);
                expected.erase(expected.begin() + static_cast<ptrdiff_t>(at));
            }
            std::vector<std::string> forward;
            for (const DiffItem* c = root.firstChild; c; c = c->next) {
                forward.push_back(c->name);
            }
            std::vector<std::string> backward;
            for (const DiffItem* c = root.LastChild(); c; c = c->Prev()) {
                backward.insert(backward.begin(), c->name);
            }
            ASSERT_EQ(forward, expected);
            ASSERT_EQ(backward, expected);
            std::string why;
            ASSERT_TRUE(IsConsistent(&root, false, &why)) << why;
        }
    }
}

// The parts kept outside the item (spelling, version) follow a side through copy and clearing.
TEST(DiffItemExtra, OtherSpellingAndVersionFollowTheSide) {
    DiffItem from;
    from.name = "Report.txt";
    from.SetDir(kSideRight, "/r");
    from.SetSideName(kSideRight, "REPORT.TXT");
    from.SetVersionFromText(kSideRight, "1.2.3.4");
    DiffItem into;
    into.name = "Report.txt";
    into.isFile = from.isFile = 1;
    into.SetDir(kSideLeft, "/l");
    EXPECT_EQ(into.extra, nullptr);
    into.CopySideFrom(from, kSideRight);
    EXPECT_EQ(into.Name(kSideRight), "REPORT.TXT");
    EXPECT_EQ(into.Name(kSideLeft), "Report.txt");
    EXPECT_EQ(into.VersionText(kSideRight), "1.2.3.4");
    EXPECT_EQ(into.FullPath(kSideRight), "/r/REPORT.TXT");
    into.ClearSide(kSideRight);
    EXPECT_EQ(into.Name(kSideRight), "Report.txt");
    EXPECT_EQ(into.PackedVersion(kSideRight), 0u);
    into.SetSideName(kSideLeft, "report.txt");
    EXPECT_EQ(into.FullPath(kSideLeft), "/l/report.txt");
}

}  // namespace
}  // namespace quillon
