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

// A disk on which every call takes a millisecond, watched from the window's event loop: the
// turns taken under the busy gate, the longest gap between two, and the calls made on the
// window's own thread.
class SlowDiskWatch {
  public:
    SlowDiskWatch() {
        QObject::connect(&probe_, &QTimer::timeout, [this] {
            if (BusyGate::Busy()) {
                ++busyTurns;
                longestGap = std::max(longestGap, sinceTurn_.elapsed());
            }
            sinceTurn_.restart();
        });
        fs.SetStepHook([this] {
            if (std::this_thread::get_id() == windowThread_) {
                ++windowSteps;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    // Runs `work` on the slow disk with the probe turning.
    template <typename Work>
    void Run(Comparison& comparison, const Work& work) {
        comparison.SetFileSystem(fs);
        sinceTurn_.start();
        probe_.start(0);
        work();
        probe_.stop();
        comparison.SetFileSystem(RealFileSystem());
    }

    FaultFileSystem fs;
    int busyTurns = 0;
    qint64 longestGap = 0;
    std::atomic<int> windowSteps{0};

  private:
    const std::thread::id windowThread_ = std::this_thread::get_id();
    QElapsedTimer sinceTurn_;
    QTimer probe_;
};

// 600 pairs in `folders` folders, each pair the same size and time with other contents.
std::vector<test::TreeEntry> PairsToCompare(int folders) {
    std::vector<test::TreeEntry> tree;
    for (int i = 0; i < 600; ++i) {
        const std::string path = "/D" + std::to_string(i % folders) + "/f" + std::to_string(i);
        tree.insert(tree.end(), {{"L" + path, "abc"}, {"R" + path, "abd"}});
    }
    return tree;
}

// The main window with real progress windows, on 600 pairs in `folders` folders that its opens
// read whole (the filter's "expand all folders").
class WholeReadTest : public ResponsiveWorkTest {
  protected:
    void MakeTreeAndFrame(int folders) {
        dir_.MakeTree(PairsToCompare(folders));
        progressFactory_ = &windows_;
        MakeFrame();
        FilterState& filter = View().GetComparison().filter;
        filter.filterActive = true;
        filter.expandAll = true;
    }

  private:
    CProgressFactory windows_{nullptr, &store_};
};

// A pair read whole as it opens turns the loop through the
// count, the listing and the content comparisons still queued when the listing ends.
TEST_F(WholeReadTest, OpenKeepsTheLoopTurning) {
    // More pairs than one batch of content comparisons.
    MakeTreeAndFrame(6);
    ASSERT_TRUE(frame_->OpenPath(dir_ / "L"));
    SlowDiskWatch watch;
    watch.Run(View().GetComparison(), [&] { ASSERT_TRUE(frame_->OpenPath(dir_ / "R")); });
    // On a cold disk any one step can outlast a user's patience: the window's thread checks the
    // right path and lists the top pair (7 steps), and leaves the count, the subfolders and the
    // files' heads to other threads.
    EXPECT_LE(watch.windowSteps.load(), 7);
    EXPECT_GE(watch.busyTurns, 10);
    // One slice of comparisons is a few dozen steps of 1 ms; a whole batch would be thousands.
    EXPECT_LT(watch.longestGap, 500);
    EXPECT_EQ(Model().RowCount(), 1 + 6 + 600);
    ExpectConsistent();
}

// A refresh of a loaded pair turns the loop while its listings and content comparisons wait on
// the disk, and makes none of their calls on the window's thread.
TEST_F(WholeReadTest, RefreshKeepsTheLoopTurning) {
    // Many folders to list, and many pairs whose contents decide.
    MakeTreeAndFrame(60);
    Open(dir_ / "L", dir_ / "R");
    ASSERT_EQ(Model().RowCount(), 1 + 60 + 600);
    SlowDiskWatch watch;
    watch.Run(View().GetComparison(), [&] { View().Doc().GetRefresh().AutoRefresh(); });
    // The two opened folders are checked on it; nothing else is.
    EXPECT_LE(watch.windowSteps.load(), 2);
    EXPECT_GE(watch.busyTurns, 10);
    EXPECT_LT(watch.longestGap, 500);
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
