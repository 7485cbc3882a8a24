// Random sequences of file operations on a generated pair of trees, then every one undone: both
// trees come back exactly (names, bytes, modes, files' modification times).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "doc/CQuillonDoc.h"
#include "fileops/CopyFilesDirsTo.h"
#include "fileops/FileCopy.h"
#include "fileops/SinglePaneOps.h"
#include "fileops/UndoRun.h"
#include "platform/Prompter.h"
#include "platform/RunContext.h"
#include "support/FakeRefreshView.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

// Answers Yes to every question and Yes to All to every replace, as a user who goes ahead.
class GoAhead : public Prompter, public ReplaceAsker {
  public:
    int Ask(const PromptRequest& request) override {
        asked.push_back(request.text);
        return (request.style & mb::kButtonSetMask) == mb::kOk ? mbr::kOk : mbr::kYes;
    }
    int AskReplace(const ReplaceQuestion&) override { return mbr::kYesToAll; }
    std::vector<std::string> asked;
};

// One line per entry below `root`: its relative path, mode, and for a file its size, a hash of its
// bytes and its modification time in nanoseconds. Folders' times are left out: they change with
// every entry made or removed inside them. As one text, a failure shows the lines that differ.
void Snapshot(const std::string& root, const std::string& relative, std::string& out) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root + relative)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = root + relative + "/" + name;
        struct stat st {};
        ASSERT_EQ(lstat(path.c_str(), &st), 0) << path;
        out += relative + "/" + name + " " + std::to_string(st.st_mode);
        if (S_ISDIR(st.st_mode)) {
            out += "/\n";
            Snapshot(root, relative + "/" + name, out);
        } else {
            const std::string bytes = test::ReadWholeFile(path);
            out += " " + std::to_string(bytes.size()) + " " +
                   std::to_string(std::hash<std::string>()(bytes)) + " " +
                   std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec) + "\n";
        }
    }
}

std::string Snapshot(const std::string& root) {
    std::string out;
    Snapshot(root, "", out);
    return out;
}

void Collect(DiffItem* holder, std::vector<DiffItem*>& rows) {
    for (DiffItem* item = holder->firstChild; item != nullptr; item = item->next) {
        if (!item->IsDotDot()) {
            rows.push_back(item);
        }
        Collect(item, rows);
    }
}

TEST(UndoProperty, UndoingEverythingRestoresBothTrees) {
    ScopedRunContext run;
    test::TestDir dir;
    std::mt19937 random(2);
    std::vector<test::TreeEntry> tree;
    for (const char* side : {"L", "R"}) {
        tree.push_back({std::string(side) + "/", ""});
        for (int i = 0; i < 12; ++i) {
            const std::string folder = std::string(side) + "/d" + std::to_string(random() % 4) +
                                       "/" + (random() % 2 ? "e/" : "");
            tree.push_back({folder + "f" + std::to_string(random() % 6) + ".txt",
                            std::string(random() % 3000, char('a' + random() % 26)),
                            time_t(1700000000 + random() % 100000)});
        }
    }
    dir.MakeTree(tree);
    // Modes other than the default, so that an undo that recreates instead of restoring shows.
    for (size_t i = 0; i < tree.size(); i += 3) {
        chmod((dir / tree[i].path).c_str(), tree[i].path.ends_with('/') ? 0750 : 0640);
    }
    const auto leftBefore = Snapshot(dir / "L");
    const auto rightBefore = Snapshot(dir / "R");

    test::FakeRefreshView view;
    CQuillonDoc doc{nullptr, view};
    doc.GetComparison().filter.expandAll = true;
    ASSERT_TRUE(doc.OpenPath(dir / "L"));
    ASSERT_TRUE(doc.OpenPath(dir / "R"));
    GoAhead user;
    int done = 0;
    std::string trace;
    for (int step = 0; step < 80; ++step) {
        doc.CompareAfterRootChange();
        std::vector<DiffItem*> rows;
        Collect(doc.GetComparison().rootItem, rows);
        if (rows.empty()) {
            break;
        }
        DiffItem* row = rows[random() % rows.size()];
        const int side = static_cast<int>(random() % 2);
        const size_t before = doc.Journal().undoList.size();
        const unsigned op = random() % 7;
        trace += std::to_string(step) + " op" + std::to_string(op) + " side" +
                 std::to_string(side) + " " + row->FullPath(row->Has(0) ? 0 : 1) + "\n";
        switch (op) {
            case 0:
                doc.DeleteSelected(random() % 3, {row}, false, user, nullptr);
                break;
            case 1:
                if (row->Has(side)) {
                    doc.RenameItem(*row, side, "n" + std::to_string(step), user);
                }
                break;
            case 2:
                doc.NewFolder({row}, side, user);
                break;
            case 6:
                if (row->Has(1 - side)) {
                    doc.CopyToOtherPane(side, {row}, user, nullptr);
                }
                break;
            case 3:
            case 4:
            case 5: {
                DiffItem* source = rows[random() % rows.size()];
                if (!source->Has(1 - side)) {
                    break;
                }
                const std::vector<std::string> sources = {source->FullPath(1 - side)};
                if (random() % 3 == 0) {
                    doc.Paste({row}, side, sources, user, user);
                } else {
                    FileOpsContext ctx(RealFileSystem(), &doc.Journal());
                    CopyFilesDirsTo(ctx, user, user, side, FolderInPane(*row, side, doc.Path(side)),
                                    sources, random() % 2 == 0);
                }
                break;
            }
        }
        if (doc.Journal().undoList.size() > before) {
            ++done;
            const UndoHistoryRow top = doc.HistoryRows().front();
            trace +=
                "  #" + std::to_string(top.opNumber) + " " + top.action + " " + top.items + "\n";
        }
    }
    ASSERT_GT(done, 40);
    while (doc.CanUndo()) {
        ASSERT_TRUE(doc.Undo(user).ok) << (user.asked.empty() ? "" : user.asked.back()) << "\n"
                                       << doc.UndoInternalsText();
    }
    EXPECT_EQ(Snapshot(dir / "L"), leftBefore) << trace;
    EXPECT_EQ(Snapshot(dir / "R"), rightBefore);

    // One level of redo, after which the journal is purged.
    ASSERT_TRUE(doc.CanRedo());
    doc.Redo(user);
    EXPECT_FALSE(doc.CanUndo());
    EXPECT_FALSE(doc.CanRedo());
}

}  // namespace
}  // namespace quillon
