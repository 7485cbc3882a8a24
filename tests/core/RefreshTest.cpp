#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "core/Refresh.h"
#include "doc/CQuillonDoc.h"
#include "platform/FaultFileSystem.h"
#include "support/FakeRefreshView.h"
#include "support/StoreFixture.h"
#include "support/TestDir.h"
#include "support/TreeDump.h"

namespace quillon {
namespace {

using Rows = std::vector<std::string>;

DiffItem* Child(DiffItem* holder, const std::string& name) {
    DiffItem* file = FindChild(holder, 1, name);
    return file != nullptr ? file : FindChild(holder, 0, name);
}

class RefreshTest : public test::StoreFixture {
  protected:
    std::string L() { return dir_ / "left"; }
    std::string R() { return dir_ / "right"; }
    void Open() {
        view_.paths[0] = L();
        view_.paths[1] = R();
        ASSERT_TRUE(cmp_.CompareFolders(L(), R(), 1));
    }
    void ExpandBoth(DiffItem* item) { ASSERT_TRUE(cmp_.ExpandFolder(item, item->row, false)); }
    void ExpectConsistent() {
        std::string why;
        EXPECT_TRUE(IsConsistent(cmp_.rootItem, true, &why)) << why;
    }
    void RemoveAll(const std::string& relative) { std::filesystem::remove_all(dir_ / relative); }
    const time_t t0_ = test::LocalTime(2024, 3, 1, 10, 0, 5);
    test::TestDir& dir_ = Dir();
    Comparison cmp_;
    test::FakeRefreshView view_;
    Refresh refresh_{cmp_, view_};
};

// A change of size, minute or checksum is reported and re-decides the status; seconds are none.
TEST_F(RefreshTest, FileChangeOnOneSide) {
    const std::tuple<const char*, std::string, int, bool, FileStatus> cases[] = {
        {"size", "abcd", 0, true, StatusDifferent},
        {"minute", "abc", 60, true, StatusDifferent},
        {"seconds", "abc", 30, false, StatusSame},
        {"checksum", "xyz", 0, true, StatusDifferent}};
    cmp_.options.compareTimestamp = 1;
    for (const auto& [what, content, secondsLater, reported, statusAfter] : cases) {
        SCOPED_TRACE(what);
        dir_.MakeTree(
            {{"left/a.txt", "abc", t0_}, {"right/a.txt", "abc", t0_}, {"left/z.txt", "z", t0_}});
        Open();
        DiffItem* a = Child(cmp_.rootItem, "a.txt");
        ASSERT_EQ(a->FileState(), StatusSame);
        dir_.WriteFile("right/a.txt", content, t0_ + secondsLater);
        EXPECT_EQ(refresh_.Refresh2Dirs(), reported);
        EXPECT_EQ(Child(cmp_.rootItem, "a.txt"), a);
        EXPECT_EQ(a->FileState(), statusAfter);
        EXPECT_EQ(a->size[1], content.size());
        ExpectConsistent();
    }
}

// Nothing changed: no rebuild (SemiRefresh always does) and the log says so; a change reselects.
TEST_F(RefreshTest, RedrawOnlyOnChangeAndReload) {
    dir_.MakeTree({{"left/Sub/x.txt", "1", t0_},
                   {"right/Sub/x.txt", "1", t0_},
                   {"right/Sub/y.txt", "1", t0_},
                   {"left/a.txt", "a", t0_},
                   {"right/a.txt", "a", t0_},
                   {"left/b.txt", "b", t0_}});
    Open();
    EXPECT_EQ(refresh_.CountBothSidedFileRows(), 1);
    ExpandBoth(Child(cmp_.rootItem, "Sub"));
    EXPECT_EQ(refresh_.CountBothSidedFileRows(), 2);
    const Rows before = test::RowNames(cmp_.rootItem);
    view_.selected = 2;
    StartLog();
    refresh_.AutoRefresh();
    std::istringstream in(LogText());
    Rows lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(line.find(']') == std::string::npos ? 0 : line.find(']') + 2));
    }
    EXPECT_EQ(lines,
              (Rows{"Entering AutoRefresh()...", "Entering Refresh2Dirs()...",
                    "Entering RescanFileList()...", "Entering RescanFileList()...",
                    "Leaving RescanFileList()...", "Leaving RescanFileList()...",
                    "Leaving Refresh2Dirs()...",
                    "No changes detected during directory re-scanning. Skipping Refreshing...",
                    "Leaving AutoRefresh()..."}));
    EXPECT_EQ(view_.Count("refill"), 0);
    EXPECT_EQ(view_.Count("repaint"), 0);
    EXPECT_EQ(view_.selected, 2);
    EXPECT_EQ(test::RowNames(cmp_.rootItem), before);
    EXPECT_FALSE(refresh_.Refresh2Dirs());
    refresh_.SemiRefresh();
    EXPECT_EQ(view_.Count("refill"), 1);
    EXPECT_EQ(view_.selected, 2);
    view_.calls.clear();
    dir_.WriteFile("left/new.txt", "n", t0_);
    refresh_.AutoRefresh();
    EXPECT_EQ(view_.calls,
              (Rows{"freeze", "thaw", "freeze", "refill", "repaint", "select 2", "thaw"}));
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem),
              (Rows{"..:2:LR", "Sub:2:LR", "a.txt:0:LR", "b.txt:2:L-", "new.txt:2:L-"}));
    // A reload keeps the selected row and the path boxes; printing being prepared stops all.
    view_.calls.clear();
    view_.selected = 1;
    dir_.WriteFile("left/c.txt", "c", t0_);
    refresh_.ReloadComparison();
    EXPECT_EQ(view_.calls, (Rows{"suspend boxes", "select 1", "resume boxes", "repaint"}));
    EXPECT_NE(Child(cmp_.rootItem, "c.txt"), nullptr);
    view_.selected = -1;
    refresh_.ReloadComparison();
    EXPECT_EQ(view_.selected, 0);
    view_.calls.clear();
    refresh_.printingStarted = true;
    dir_.WriteFile("left/late.txt", "n", t0_);
    EXPECT_FALSE(refresh_.Refresh2Dirs());
    refresh_.AutoRefresh();
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_EQ(Child(cmp_.rootItem, "late.txt"), nullptr);
    refresh_.printingStarted = false;
    EXPECT_TRUE(refresh_.Refresh2Dirs());
}

// Entries gain or lose a side or leave; a deleted right root is forgotten and all goes left-only.
TEST_F(RefreshTest, AppearingAndVanishingEntries) {
    dir_.MakeTree({{"left/both.txt", "b", t0_},
                   {"right/both.txt", "b", t0_},
                   {"left/only.txt", "o", t0_},
                   {"right/keep.txt", "k", t0_},
                   {"left/Sub/x.txt", "1", t0_},
                   {"right/Sub/x.txt", "1", t0_},
                   {"right/Sub/r.txt", "r", t0_}});
    Open();
    ExpandBoth(Child(cmp_.rootItem, "Sub"));
    RemoveAll("left/both.txt");
    RemoveAll("left/only.txt");
    dir_.WriteFile("right/fresh.txt", "f", t0_);
    dir_.MakeFolder("left/NewDir");
    dir_.WriteFile("left/$diffundo0001$both.txt", "backup", t0_);
    EXPECT_TRUE(refresh_.Refresh2Dirs());
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem),
              (Rows{"..:2:LR", "NewDir:0:L-", "Sub:2:LR", "both.txt:3:-R", "fresh.txt:3:-R",
                    "keep.txt:3:-R"}));
    EXPECT_EQ(view_.removed, (Rows{"only.txt"}));
    ExpectConsistent();
    RemoveAll("right");
    EXPECT_TRUE(refresh_.Refresh2Dirs());
    EXPECT_TRUE(view_.paths[1].empty());
    EXPECT_EQ(view_.paths[0], L());
    EXPECT_EQ(view_.Count("forget 1"), 1);
    EXPECT_EQ(view_.Count("pane 2"), 1);
    EXPECT_EQ(view_.Count("forget 0"), 0);
    EXPECT_EQ(test::ChildSummary(cmp_.rootItem), (Rows{"..:0:L-", "NewDir:0:L-", "Sub:0:L-"}));
    EXPECT_EQ(test::ChildSummary(Child(cmp_.rootItem, "Sub")), (Rows{"x.txt:2:L-"}));
    ExpectConsistent();
    EXPECT_FALSE(refresh_.Refresh2Dirs());
}

// A folder losing or gaining a side or content follows the other side's expansion and reads in.
TEST_F(RefreshTest, FolderContentChangesOnOneSide) {
    dir_.MakeTree({{"left/Sub/x.txt", "1", t0_},
                   {"right/Sub/x.txt", "1", t0_},
                   {"left/Sub/lonly.txt", "l", t0_},
                   {"left/Sub/In/i.txt", "i", t0_},
                   {"right/Sub/In/", ""},
                   {"left/C/x.txt", "1", t0_},
                   {"right/C/", ""},
                   {"left/P/p.txt", "p", t0_},
                   {"right/P/p.txt", "p", t0_},
                   {"right/P/New/f.txt", "f", t0_},
                   {"right/P/New/Deep/d.txt", "d", t0_}});
    Open();
    DiffItem* p = Child(cmp_.rootItem, "P");
    ExpandBoth(p);
    DiffItem* fresh = Child(p, "New");
    ExpandBoth(fresh);
    ASSERT_EQ(test::ChildSummary(fresh), (Rows{"Deep:1:-R", "f.txt:3:-R"}));
    DiffItem* sub = Child(cmp_.rootItem, "Sub");
    DiffItem* c = Child(cmp_.rootItem, "C");
    ASSERT_FALSE(c->hasChildren[1]);
    ExpandBoth(sub);
    ExpandBoth(Child(sub, "In"));
    ExpandBoth(c);
    RemoveAll("left/Sub");
    dir_.WriteFile("right/C/y.txt", "y", t0_);
    dir_.MakeTree({{"left/P/New/f.txt", "f", t0_}, {"left/P/New/g.txt", "g", t0_}});
    EXPECT_TRUE(refresh_.Refresh2Dirs());
    EXPECT_EQ(Child(p, "New"), fresh);
    EXPECT_EQ(fresh->FolderState(), FolderBoth);
    EXPECT_TRUE(fresh->expanded[0] && fresh->expanded[1]);
    EXPECT_EQ(test::ChildSummary(fresh), (Rows{"Deep:1:-R", "f.txt:0:LR", "g.txt:2:L-"}));
    EXPECT_EQ(sub->FolderState(), FolderRightOnly);
    EXPECT_EQ(test::ChildSummary(sub), (Rows{"In:1:-R", "x.txt:3:-R"}));
    EXPECT_EQ(Child(sub, "In")->firstChild, nullptr);
    EXPECT_TRUE(c->hasChildren[1]);
    EXPECT_TRUE(c->expanded[1]);
    EXPECT_EQ(test::ChildSummary(c), (Rows{"x.txt:2:L-", "y.txt:3:-R"}));
    ExpectConsistent();
    RemoveAll("left/C/x.txt");
    EXPECT_TRUE(refresh_.Refresh2Dirs());
    EXPECT_FALSE(c->hasChildren[0]);
    EXPECT_FALSE(c->expanded[0]);
    EXPECT_EQ(test::ChildSummary(c), (Rows{"y.txt:3:-R"}));
    ExpectConsistent();
}

// After the filter's OK with expand-all whole trees are read only for a pair; equal files leave.
TEST_F(RefreshTest, FilterOkReadsWholeTreesOnlyForAPair) {
    dir_.MakeTree({{"left/S/T/deep.txt", "d", t0_}, {"right/S/T/deep.txt", "e", t0_}});
    const FilterState filter{true, FilterState::kDiffersAnyWay | FilterState::kNoExtensionFilter,
                             "", true};
    view_.paths[0] = L();
    view_.paths[1] = R();
    refresh_.ReloadWithFilter(filter, ReadWholeTreesAfterFilter(filter, true));
    EXPECT_EQ(test::RowNames(cmp_.rootItem), (Rows{"..", "S", "  T", "    deep.txt"}));
    dir_.WriteFile("right/S/T/deep.txt", "d", t0_);  // equal now: its row must not outlive it
    EXPECT_TRUE(refresh_.Refresh2Dirs());
    EXPECT_EQ(test::RowNames(cmp_.rootItem), (Rows{"..", "S", "  T"}));
    view_.paths[1].clear();
    refresh_.ReloadWithFilter(filter, ReadWholeTreesAfterFilter(filter, false));
    EXPECT_EQ(test::RowNames(cmp_.rootItem), (Rows{"..", "S"}));
}

// A whole-tree refresh patches the same tree whatever the number of reader threads.
TEST_F(RefreshTest, WholeTreeRefreshAlikeOnAnyThreadCount) {
    auto dump = [](const DiffItem* root) {
        return test::DescribeRows(root, [](const DiffItem* c) {
            return test::ItemSummary(c) + (c->hasChildren[0] ? "+" : "") +
                   (c->hasChildren[1] ? "+" : "") + (c->expanded[0] ? "e" : "") +
                   (c->expanded[1] ? "e" : "");
        });
    };
    Rows first;
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        RemoveAll("left");
        RemoveAll("right");
        std::vector<test::TreeEntry> tree;
        for (const char* side : {"left/", "right/"}) {
            for (const char* folder : {"A/", "A/B/", "A/B/C/", "D/", "D/E/", "F/"}) {
                for (const char* file : {"x.txt", "y.txt"}) {
                    tree.push_back({std::string(side) + folder + file, "same", t0_});
                }
            }
        }
        dir_.MakeTree(tree);
        cmp_.options.threads = threads;
        cmp_.readWholeTrees = true;
        Open();
        dir_.WriteFile("right/A/B/C/x.txt", "diff", t0_);
        RemoveAll("left/D/E");
        RemoveAll("right/F/x.txt");
        RemoveAll("right/F/y.txt");
        dir_.WriteFile("left/A/B/new.txt", "n", t0_);
        EXPECT_TRUE(refresh_.Refresh2Dirs());
        ExpectConsistent();
        const Rows rows = dump(cmp_.rootItem);
        if (first.empty()) {
            first = rows;
            const auto has = [&](const std::string& row) {
                return std::find(rows.begin(), rows.end(), row) != rows.end();
            };
            EXPECT_TRUE(has("      x.txt:1:LR"));
            EXPECT_TRUE(has("    new.txt:2:L-"));
            EXPECT_TRUE(has("  E:1:-R+e"));
            EXPECT_TRUE(has("F:2:LR+e"));
        }
        EXPECT_EQ(rows, first);
    }
}

// An unchanged, loaded tree is listed once per folder and side: a content check of a loaded
// folder reuses its listing.
TEST_F(RefreshTest, UnchangedTreeListsEachFolderOnce) {
    dir_.MakeTree({{"left/A/B/x.txt", "1", t0_},
                   {"right/A/B/x.txt", "1", t0_},
                   {"left/A/y.txt", "1", t0_},
                   {"right/A/y.txt", "1", t0_},
                   {"left/Shut/z.txt", "1", t0_},
                   {"right/Shut/", ""}});
    FaultFileSystem fs;
    cmp_.SetFileSystem(fs);
    cmp_.options.crc32 = ComparisonOptions::kChecksumNone;
    Open();
    ExpandBoth(Child(cmp_.rootItem, "A"));
    ExpandBoth(Child(Child(cmp_.rootItem, "A"), "B"));
    const std::vector<FsCall> before = fs.Trace();
    EXPECT_FALSE(refresh_.Refresh2Dirs());
    const std::vector<FsCall> trace = fs.Trace();
    // The two roots, A and B on both sides, and the content check of the unread Shut.
    EXPECT_EQ(std::count(trace.begin() + static_cast<ptrdiff_t>(before.size()), trace.end(),
                         FsCall::Open),
              8);
}

// Folders fill left, right, then left again (no trailing separator); a file goes to its tool.
TEST(Document, OpensFillTheSidesAndWholeTreesFollow) {
    test::TestDir dir;
    dir.MakeTree(
        {{"top/L/a.txt", "1"}, {"top/R/a.txt", "2"}, {"top/L2/b.txt", "3"}, {"top/f.txt", "x"}});
    const auto at = [&dir](const std::string& relative) { return dir / ("top/" + relative); };
    test::FakeRefreshView view;
    CQuillonDoc doc{nullptr, view};
    std::vector<std::string> handed;
    doc.SetFileHandler([&handed](const std::string& path) { handed.push_back(path); });
    EXPECT_TRUE(doc.OpenPath(at("L/")));
    EXPECT_EQ(doc.Path(0), at("L"));
    EXPECT_EQ(doc.Next(), NextOpen::kRight);
    EXPECT_TRUE(doc.OpenPath(at("R")));
    EXPECT_EQ(doc.Next(), NextOpen::kLeftAfterPair);
    EXPECT_FALSE(doc.OpenPath(at("f.txt")));
    EXPECT_EQ(handed, std::vector<std::string>{at("f.txt")});
    EXPECT_EQ(doc.Next(), NextOpen::kLeftAfterPair);
    EXPECT_TRUE(doc.OpenPath(at("L2")));
    EXPECT_EQ(doc.Path(0), at("L2"));
    EXPECT_EQ(doc.Path(1), at("R"));
    EXPECT_EQ(doc.Next(), NextOpen::kRight);
    // A pair that cannot be compared (no left side) puts the previous paths and side back.
    CQuillonDoc fresh{nullptr, view};
    fresh.SetNext(FillingSide(kSideRight));
    EXPECT_FALSE(fresh.OpenPath(at("R")));
    EXPECT_EQ(fresh.Path(1), "");
    EXPECT_EQ(fresh.Next(), NextOpen::kRight);
    // Whole trees are read once a right side is there; ".." only after a right side was last.
    CQuillonDoc filtered{nullptr, view};
    filtered.GetComparison().filter.filterActive = true;
    filtered.GetComparison().filter.expandAll = true;
    filtered.OpenPath(at("L"));
    EXPECT_FALSE(filtered.GetComparison().readWholeTrees);
    filtered.OpenPath(at("R"));
    EXPECT_TRUE(filtered.GetComparison().readWholeTrees);
    filtered.SetNext(FillingSide(kSideLeft));
    filtered.OpenPath(at("L2"));
    EXPECT_TRUE(filtered.GetComparison().readWholeTrees);
    ASSERT_TRUE(filtered.GoUp());
    EXPECT_EQ(filtered.Path(0), dir / "top");
    EXPECT_FALSE(filtered.GetComparison().readWholeTrees);
    filtered.SetNext(NextOpen::kLeftAfterPair);
    filtered.GoUp();
    EXPECT_TRUE(filtered.GetComparison().readWholeTrees);
}

}  // namespace
}  // namespace quillon
