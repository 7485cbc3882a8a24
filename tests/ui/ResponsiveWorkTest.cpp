// Long work on the GUI thread lets the event loop turn by the clock, never per update, and takes
// no command while it changes the tree.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <chrono>
#include <thread>

#include "platform/FaultFileSystem.h"
#include "support/WindowFixture.h"
#include "ui/BusyGate.h"
#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

// Counts the turns of the event loop: a 0 ms timer fires once per turn.
struct LoopTurns {
    QTimer timer;
    int turns = 0;
    int busyTurns = 0;
    LoopTurns() {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            ++turns;
            busyTurns += BusyGate::Busy() ? 1 : 0;
        });
        timer.start();
    }
};

class ResponsiveWorkTest : public test::WindowFixture {};

// Updates in a tight loop pump at most once per interval: a window at its first update already,
// the windowless sink only once an interval has passed. A window's texts catch up at the next turn.
TEST_F(ResponsiveWorkTest, UpdatesPumpByTheClock) {
    CProgressFactory factory(nullptr, &store_);
    for (const bool window : {true, false}) {
        SCOPED_TRACE(window ? "window" : "windowless");
        std::unique_ptr<ProgressSink> sink =
            window ? factory.Open("Work") : factory.OpenWindowless();
        ASSERT_NE(sink, nullptr);
        EXPECT_TRUE(BusyGate::Busy());
        LoopTurns loop;
        QElapsedTimer clock;
        clock.start();
        sink->Update("first", 1);
        if (clock.elapsed() < kProgressPumpMs) {
            EXPECT_EQ(loop.turns > 0, window);
        }
        uint64_t updates = 1;
        while (clock.elapsed() < 5 * kProgressPumpMs) {
            sink->Update("next", ++updates);
        }
        const qint64 spent = clock.elapsed();
        EXPECT_GT(updates, 1000u);
        EXPECT_GE(loop.turns, 2);
        EXPECT_LE(loop.turns, spent / kProgressPumpMs + 1);
        if (auto* shown = dynamic_cast<CProgressWnd*>(sink.get())) {
            QCoreApplication::processEvents();
            EXPECT_EQ(shown->TextLabel()->text().toStdString(), shown->Logic().DisplayText());
            EXPECT_EQ(shown->Logic().Position(), updates);
        }
        sink.reset();
        EXPECT_FALSE(BusyGate::Busy());
    }
}

// A recursive expansion of a folder below the window's threshold that reads for long keeps the
// loop turning without a progress window, refuses a collapse of the folder it fills, and leaves
// the rows consistent.
TEST_F(ResponsiveWorkTest, SlowSmallFolderKeepsTheLoopTurning) {
    std::vector<test::TreeEntry> tree = {{"L/z.txt", "z"}, {"R/z.txt", "z"}};
    for (int s = 0; s < 4; ++s) {
        for (int f = 0; f < 10; ++f) {
            const std::string path = "/Top/S" + std::to_string(s) + "/f" + std::to_string(f);
            tree.push_back({"L" + path, "1"});
            tree.push_back({"R" + path, "1"});
        }
    }
    dir_.MakeTree(tree);
    CProgressFactory windows(nullptr, &store_);
    progressFactory_ = &windows;
    MakeFrame();
    Open(dir_ / "L", dir_ / "R");
    FaultFileSystem slow;
    slow.SetStepHook([] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); });
    View().GetComparison().SetFileSystem(slow);
    const int top = RowOf("Top");
    ASSERT_GE(top, 0);
    View().SelectOnly(top);
    LoopTurns loop;
    int windowsShown = 0;
    QObject::connect(&loop.timer, &QTimer::timeout, [&] {
        if (loop.turns == 1) {
            Key(Qt::Key_Left);
        }
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            windowsShown += qobject_cast<CProgressWnd*>(widget) && widget->isVisible() ? 1 : 0;
        }
    });
    Key(Qt::Key_Right, Qt::ControlModifier);
    loop.timer.stop();
    View().GetComparison().SetFileSystem(RealFileSystem());
    EXPECT_GE(loop.busyTurns, 2);
    EXPECT_EQ(windowsShown, 0);
    EXPECT_EQ(RowOf("S0"), top + 1);
    // "..", Top, four folders of ten files, z.txt.
    EXPECT_EQ(Model().RowCount(), 2 + 4 * 11 + 1);
    EXPECT_EQ(Current(), top);
    ExpectConsistent();
}

}  // namespace
}  // namespace quillon
