// Long work on the GUI thread lets the event loop turn by the clock, and takes no command
// meanwhile.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/FilterState.h"
#include "doc/CQuillonDoc.h"
#include "platform/FaultFileSystem.h"
#include "support/WindowFixture.h"
#include "ui/BusyGate.h"
#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

using ResponsiveWorkTest = test::WindowFixture;

// A slow recursive read pumps events by the clock, under a window past the threshold and windowless
// below it; a collapse of the folder being filled is refused, and the rows stay consistent.
TEST_F(ResponsiveWorkTest, SlowReadKeepsTheLoopTurningByTheClock) {
    std::vector<test::TreeEntry> tree;
    for (const auto& [folder, files] : {std::pair{"Big", 120}, {"Small", 40}}) {
        for (int i = 0; i < files; ++i) {
            const std::string path = std::string("/") + folder + "/f" + std::to_string(i);
            tree.insert(tree.end(), {{"L" + path, "1"}, {"R" + path, "1"}});
        }
    }
    dir_.MakeTree(tree);
    CProgressFactory windows(nullptr, &store_);
    progressFactory_ = &windows;
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    // A 0 ms timer fires once per turn of the event loop; only the turns under the gate count.
    int busyTurns = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { busyTurns += BusyGate::Busy() ? 1 : 0; });
    probe.start(0);
    FaultFileSystem slow;
    slow.SetStepHook([] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    bool windowShown = false;
    for (const auto& [folder, rows] : {std::pair{"Small", 3 + 40}, {"Big", 3 + 40 + 120}}) {
        SCOPED_TRACE(folder);
        View().SelectOnly(RowOf(folder));
        windowShown = false;
        QTimer::singleShot(0, &View(), [&] {
            windowShown = CurrentProgress() != nullptr;
            Key(Qt::Key_Left);
        });
        View().GetComparison().SetFileSystem(slow);
        busyTurns = 0;
        QElapsedTimer clock;
        clock.start();
        Key(Qt::Key_Right, Qt::ControlModifier);
        View().GetComparison().SetFileSystem(RealFileSystem());
        EXPECT_GE(busyTurns, 2);
        EXPECT_LE(busyTurns, clock.elapsed() / kProgressPumpMs + 1);
        EXPECT_EQ(windowShown, std::string(folder) == "Big");
        EXPECT_EQ(Model().RowCount(), rows);
        ExpectConsistent();
    }
}

// A pair read whole as it opens (the filter's "expand all folders") turns the loop through the
// count, the listing and the content comparisons still queued when the listing ends.
TEST_F(ResponsiveWorkTest, WholeTreeOpenKeepsTheLoopTurning) {
    std::vector<test::TreeEntry> tree;
    // More pairs than one batch of content comparisons, each pair the same size and time.
    for (int i = 0; i < 600; ++i) {
        const std::string path = "/D" + std::to_string(i % 6) + "/f" + std::to_string(i);
        tree.insert(tree.end(), {{"L" + path, "abc"}, {"R" + path, "abd"}});
    }
    dir_.MakeTree(tree);
    CProgressFactory windows(nullptr, &store_);
    progressFactory_ = &windows;
    MakeFrame();
    FilterState& filter = View().GetComparison().filter;
    filter.filterActive = true;
    filter.expandAll = true;
    QElapsedTimer sinceTurn;
    qint64 longestGap = 0;
    int busyTurns = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (BusyGate::Busy()) {
            ++busyTurns;
            longestGap = std::max(longestGap, sinceTurn.elapsed());
        }
        sinceTurn.restart();
    });
    FaultFileSystem slow;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<int> windowSteps{0};
    slow.SetStepHook([&] {
        if (std::this_thread::get_id() == windowThread) {
            ++windowSteps;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_TRUE(frame_->OpenPath(dir_ / "L"));
    View().GetComparison().SetFileSystem(slow);
    sinceTurn.start();
    probe.start(0);
    ASSERT_TRUE(frame_->OpenPath(dir_ / "R"));
    probe.stop();
    View().GetComparison().SetFileSystem(RealFileSystem());
    // On a cold disk any one step can outlast a user's patience: the window's thread checks the
    // right path and lists the top pair (7 steps), and leaves the count, the subfolders and the
    // files' heads to other threads.
    EXPECT_LE(windowSteps.load(), 7);
    EXPECT_GE(busyTurns, 10);
    // One slice of comparisons is a few dozen steps of 1 ms; a whole batch would be thousands.
    EXPECT_LT(longestGap, 500);
    EXPECT_EQ(Model().RowCount(), 1 + 6 + 600);
    ExpectConsistent();
}

// A refresh of a loaded pair turns the loop while its listings and content comparisons wait on
// the disk, and makes none of their calls on the window's thread.
TEST_F(ResponsiveWorkTest, RefreshKeepsTheLoopTurning) {
    std::vector<test::TreeEntry> tree;
    // Many folders to list and many pairs whose contents decide.
    for (int i = 0; i < 600; ++i) {
        const std::string path = "/D" + std::to_string(i % 60) + "/f" + std::to_string(i);
        tree.insert(tree.end(), {{"L" + path, "abc"}, {"R" + path, "abd"}});
    }
    dir_.MakeTree(tree);
    CProgressFactory windows(nullptr, &store_);
    progressFactory_ = &windows;
    MakeFrame();
    FilterState& filter = View().GetComparison().filter;
    filter.filterActive = true;
    filter.expandAll = true;
    Open(dir_ / "L", dir_ / "R");
    ASSERT_EQ(Model().RowCount(), 1 + 60 + 600);
    QElapsedTimer sinceTurn;
    qint64 longestGap = 0;
    int busyTurns = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (BusyGate::Busy()) {
            ++busyTurns;
            longestGap = std::max(longestGap, sinceTurn.elapsed());
        }
        sinceTurn.restart();
    });
    FaultFileSystem slow;
    const std::thread::id windowThread = std::this_thread::get_id();
    std::atomic<int> windowSteps{0};
    slow.SetStepHook([&] {
        if (std::this_thread::get_id() == windowThread) {
            ++windowSteps;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    View().GetComparison().SetFileSystem(slow);
    sinceTurn.start();
    probe.start(0);
    View().Doc().GetRefresh().AutoRefresh();
    probe.stop();
    View().GetComparison().SetFileSystem(RealFileSystem());
    // The two opened folders are checked on it; nothing else is.
    EXPECT_LE(windowSteps.load(), 2);
    EXPECT_GE(busyTurns, 10);
    EXPECT_LT(longestGap, 500);
    EXPECT_EQ(Model().RowCount(), 1 + 60 + 600);
    ExpectConsistent();
}

// An open whose rows take several blocks turns the loop between them under the gate: each block
// is appended at the end, every turn sees whole blocks, and a key pressed meanwhile does nothing.
TEST_F(ResponsiveWorkTest, RowsOfALargeOpenArriveInBlocks) {
    const int files = DiffListModel::kFillBlockRows + 10;
    std::vector<test::TreeEntry> tree{{"R/", ""}};
    for (int i = 0; i < files; ++i) {
        tree.push_back({"L/f" + std::to_string(i), ""});
    }
    dir_.MakeTree(tree);
    MakeFrame();
    int inserts = 0;
    int turns = 0;
    QObject::connect(
        &Model(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int, int last) {
            ++inserts;
            EXPECT_EQ(last, Model().RowCount() - 1);
            // A view slow to take rows: the pump is due before the next block.
            std::this_thread::sleep_for(std::chrono::milliseconds(kProgressPumpMs + 10));
        });
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (BusyGate::Busy() && Model().RowCount() > 0) {
            ++turns;
            EXPECT_EQ(Model().RowCount() % DiffListModel::kFillBlockRows, 0);
            Key(Qt::Key_End, Qt::ControlModifier);
        }
    });
    probe.start(0);
    Open(dir_ / "L", dir_ / "R");
    // Both opens (the left folder alone, then the pair) take two blocks each.
    EXPECT_GE(inserts, 4);
    EXPECT_GE(turns, 2);
    ExpectConsistent();
    // The open sets no current row; the key sets one, but only once the rows are in.
    EXPECT_EQ(Current(), -1);
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_NE(Current(), -1);
}

}  // namespace
}  // namespace quillon
