#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "platform/ProgressLogic.h"
#include "support/WindowFixture.h"
#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

constexpr uint64_t kSixGb = 6ull * 1024 * 1024 * 1024;

using ProgressWndTest = test::WindowFixture;

// The bar and the text show what the logic decides (its phases are pinned with the logic): a 6 GB
// total moves the bar by position / 512 while the count line shows exact bytes; a total between
// 2^31 and 2^32 still gives the signed bar a positive range and a proportional position.
TEST_F(ProgressWndTest, BarAndTextFollowThePhase) {
    CProgressWnd big(&store_);
    big.Create(nullptr);
    big.SetRange(kSixGb, "Copying disk.img", true);
    big.SetUnitText("bytes");
    EXPECT_FALSE(big.Update("", kSixGb / 2 + 1023));
    EXPECT_EQ(big.Bar()->minimum(), 0);
    EXPECT_EQ(big.Bar()->maximum(), int(kSixGb / 512));
    EXPECT_EQ(big.Bar()->value(), int((kSixGb / 2 + 1023) / 512));
    EXPECT_TRUE(big.TextLabel()->text().contains("3221226495 / 6442450944 bytes"));

    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(3000000000ull, "", true);
    window.Update("", 1500000000ull);
    ASSERT_GT(window.Bar()->maximum(), 0);
    EXPECT_EQ(window.Bar()->value() * 2, window.Bar()->maximum());
}

// Cancel pressed while the operation runs is seen by the next Update, which pumps the events
// that deliver the click. Closing the window counts as Cancel; the window stays until its
// operation ends it.
TEST_F(ProgressWndTest, CancelAndCloseSetTheFlag) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(10, "Working", true);
    EXPECT_FALSE(window.Update("", 1));
    QTimer::singleShot(0, window.CancelButton(),
                       [&window] { QTest::mouseClick(window.CancelButton(), Qt::LeftButton); });
    EXPECT_FALSE(window.Cancelled());
    EXPECT_TRUE(window.Update("", 2));
    EXPECT_TRUE(window.Cancelled());

    CProgressWnd closed(&store_);
    closed.Create(nullptr);
    EXPECT_FALSE(closed.close());
    EXPECT_TRUE(closed.isVisible());
    EXPECT_TRUE(closed.Update("", 0));
}

// A saved position on the screen is used as is; one off the screen, or none, centres on the
// owner. Destroying the window saves its position once; a window never created saves nothing.
TEST_F(ProgressWndTest, PositionIsPlacedAndSaved) {
    QWidget owner;
    owner.setGeometry(100, 60, 500, 400);
    owner.show();
    for (const auto& [x, y, used] :
         {std::tuple{40, 30, true}, std::tuple{50000, 30, false}, std::tuple{-1, -1, false}}) {
        SaveProgressPosition(store_, {x, y});
        CProgressWnd window(&store_);
        window.Create(&owner);
        const QPoint delta = window.frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_EQ(window.pos() == QPoint(x, y), used) << x;
        EXPECT_EQ(delta.manhattanLength() <= 2, !used) << x;
        window.DestroyWindow();
    }

    SaveProgressPosition(store_, {-1, -1});
    { CProgressWnd unused(&store_); }
    EXPECT_EQ(ReadProgressPosition(store_).x, -1);
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.move(77, 66);
    window.DestroyWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(Int("Settings", "Y_Progress"), 66);
    window.move(10, 10);
    window.DestroyWindow();
    EXPECT_EQ(Int("Settings", "X_Progress"), 77);
    {
        CProgressWnd scoped(&store_);
        scoped.Create(nullptr);
        scoped.move(12, 34);
    }
    EXPECT_EQ(Int("Settings", "X_Progress"), 12);
}

// The factory opens a shown window with the caption, registered as the current progress window
// while it lives.
TEST_F(ProgressWndTest, FactoryOpensCurrentWindow) {
    CProgressFactory factory(nullptr, &store_);
    std::unique_ptr<ProgressSink> sink = factory.Open("Copying");
    auto* window = dynamic_cast<CProgressWnd*>(sink.get());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Copying");
    EXPECT_EQ(CurrentProgress(), sink.get());
    sink->SetRange(5, "Phase", true);
    EXPECT_EQ(window->windowTitle(), "Progress");
    sink.reset();
    EXPECT_EQ(CurrentProgress(), nullptr);
}

}  // namespace
}  // namespace quillon
