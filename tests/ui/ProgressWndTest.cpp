#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TestDir.h"
#include "ui/CProgressWnd.h"

namespace quillon {
namespace {

constexpr uint64_t kSixGb = 6ull * 1024 * 1024 * 1024;

class ProgressWndTest : public testing::Test {
  protected:
    test::TestDir dir_;
    RegistryStore registry_{dir_.Path()};
    SettingsStore store_{registry_};
};

// A 6 GB total moves the real bar by position / 512 while the count line shows exact bytes.
TEST_F(ProgressWndTest, LargeTotalScalesBar) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(kSixGb, "Copying disk.img", true);
    window.SetUnitText("bytes");
    EXPECT_FALSE(window.Update("", kSixGb / 2 + 1023));
    EXPECT_EQ(window.Bar()->maximum(), static_cast<int>(kSixGb / 512));
    EXPECT_EQ(window.Bar()->value(), static_cast<int>((kSixGb / 2 + 1023) / 512));
    EXPECT_EQ(window.TextLabel()->text(),
              "Copying disk.img\n3221226495 / 6442450944 bytes (50 %) processed...");
}

// A total between 2^31 and 2^32 still gives the signed bar a positive range and a proportional
// position.
TEST_F(ProgressWndTest, TotalAboveSignedRange) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(3000000000ull, "", true);
    window.Update("", 1500000000ull);
    ASSERT_GT(window.Bar()->maximum(), 0);
    EXPECT_EQ(window.Bar()->value() * 2, window.Bar()->maximum());
}

// A percent sign in a message appears once on screen.
TEST_F(ProgressWndTest, PercentSignShownOnce) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(4, "", true);
    window.Update("Copying 50% of report", 2);
    EXPECT_EQ(window.TextLabel()->text(), "Copying 50% of report\n2 / 4 files (50 %) processed...");
}

// The no-count total shows a 0..100 bar and only the message.
TEST_F(ProgressWndTest, NoCountPhase) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(ProgressSink::kNoCount, "Rendering PDF", true);
    window.Update("", 30);
    EXPECT_EQ(window.Bar()->minimum(), 0);
    EXPECT_EQ(window.Bar()->maximum(), 100);
    EXPECT_EQ(window.Bar()->value(), 30);
    EXPECT_EQ(window.TextLabel()->text(), "Rendering PDF");
}

// Cancel pressed while the operation runs is seen by the next Update, which pumps the events
// that deliver the click.
TEST_F(ProgressWndTest, CancelButtonSetsFlagSeenByUpdate) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.SetRange(10, "Working", true);
    EXPECT_FALSE(window.Update("", 1));
    QTimer::singleShot(0, window.CancelButton(),
                       [&window] { QTest::mouseClick(window.CancelButton(), Qt::LeftButton); });
    EXPECT_FALSE(window.Cancelled());
    EXPECT_TRUE(window.Update("", 2));
    EXPECT_TRUE(window.Cancelled());
}

// Closing the window counts as Cancel; the window stays until its operation ends it.
TEST_F(ProgressWndTest, CloseSetsFlag) {
    CProgressWnd window(&store_);
    window.Create(nullptr);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Update("", 0));
}

// A saved position on the screen is used as is; one off the screen centres on the owner.
TEST_F(ProgressWndTest, PlacementFromSavedPosition) {
    QWidget owner;
    owner.setGeometry(100, 60, 500, 400);
    owner.show();

    SaveProgressPosition(store_, {40, 30});
    CProgressWnd onScreen(&store_);
    onScreen.Create(&owner);
    EXPECT_EQ(onScreen.pos(), QPoint(40, 30));

    SaveProgressPosition(store_, {50000, 30});
    CProgressWnd offScreen(&store_);
    offScreen.Create(&owner);
    QPoint delta = offScreen.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(delta.manhattanLength(), 2);

    SaveProgressPosition(store_, {-1, -1});
    CProgressWnd neverPlaced(&store_);
    neverPlaced.Create(&owner);
    delta = neverPlaced.frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(delta.manhattanLength(), 2);
}

// Destroying the window saves its position once; a window never created saves nothing.
TEST_F(ProgressWndTest, DestroySavesPosition) {
    { CProgressWnd unused(&store_); }
    EXPECT_EQ(store_.GetProfileInt("Settings", "X_Progress", -1), -1);

    CProgressWnd window(&store_);
    window.Create(nullptr);
    window.move(77, 66);
    window.DestroyWindow();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(store_.GetProfileInt("Settings", "X_Progress", -1), 77);
    EXPECT_EQ(store_.GetProfileInt("Settings", "Y_Progress", -1), 66);
    window.move(10, 10);
    window.DestroyWindow();
    EXPECT_EQ(store_.GetProfileInt("Settings", "X_Progress", -1), 77);

    {
        CProgressWnd scoped(&store_);
        scoped.Create(nullptr);
        scoped.move(12, 34);
    }
    EXPECT_EQ(store_.GetProfileInt("Settings", "X_Progress", -1), 12);
    EXPECT_EQ(store_.GetProfileInt("Settings", "Y_Progress", -1), 34);
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
