#include "platform/ProgressLogic.h"

#include <gtest/gtest.h>

#include "platform/ProgressSink.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/TestDir.h"

namespace quillon {
namespace {

constexpr uint64_t kSixGb = 6ull * 1024 * 1024 * 1024;

// The count line reads position, " / ", total, the unit, and the truncated percent with " %".
TEST(ProgressLogic, CountLineShape) {
    ProgressLogic progress;
    progress.SetRange(4, "Reading folders...", true);
    progress.Update("", 1);
    EXPECT_EQ(progress.CountLine(), "1 / 4 files (25 %) processed...");
    EXPECT_EQ(progress.DisplayText(), "Reading folders...\n1 / 4 files (25 %) processed...");
    progress.SetUnitText("items");
    progress.Update("", 2);
    EXPECT_EQ(progress.CountLine(), "2 / 4 items (50 %) processed...");
    progress.SetPos(3);
    EXPECT_EQ(progress.Percent(), 75u);
    ProgressLogic thirds;
    thirds.SetRange(3, "", true);
    thirds.SetPos(2);
    EXPECT_EQ(thirds.Percent(), 66u);  // truncated, not rounded
}

// A total of 0 is a bar of 1 and never divides by zero.
TEST(ProgressLogic, ZeroTotalIsOne) {
    ProgressLogic progress;
    progress.SetRange(0, "", true);
    EXPECT_EQ(progress.Total(), 1u);
    EXPECT_EQ(progress.BarMaximum(), 1u);
    EXPECT_EQ(progress.Percent(), 0u);
    progress.Update("", 1);
    EXPECT_EQ(progress.CountLine(), "1 / 1 files (100 %) processed...");
}

// A 6 GB total moves the bar in steps of 512 while the count line keeps exact values.
TEST(ProgressLogic, LargeTotalScalesTheBarOnly) {
    ProgressLogic progress;
    progress.SetRange(kSixGb, "Copying", true);
    EXPECT_EQ(progress.Scale(), 512u);
    EXPECT_EQ(progress.BarMaximum(), kSixGb / 512);
    progress.Update("", 1000000511);
    EXPECT_EQ(progress.BarPosition(), 1953125u);  // 1000000511 / 512 = 1953125.998
    EXPECT_EQ(progress.CountLine(), "1000000511 / 6442450944 files (15 %) processed...");
}

// The scale applies from the first total that needs more than 32 bits, and a later small phase
// drops it again.
TEST(ProgressLogic, ScaleBoundary) {
    ProgressLogic progress;
    progress.SetRange(0xFFFFFFFFull, "", true);
    EXPECT_EQ(progress.Scale(), 1u);
    EXPECT_EQ(progress.BarMaximum(), 0xFFFFFFFFu);
    progress.SetRange(0x100000000ull, "", true);
    EXPECT_EQ(progress.Scale(), 512u);
    EXPECT_EQ(progress.BarMaximum(), 0x800000u);
    progress.SetRange(10, "", true);
    EXPECT_EQ(progress.Scale(), 1u);
}

// The all-ones total means no count: a 0..100 bar and no count line even when asked for.
TEST(ProgressLogic, NoCountTotal) {
    ProgressLogic progress;
    progress.SetRange(ProgressSink::kNoCount, "Rendering", true);
    EXPECT_FALSE(progress.ShowCounts());
    EXPECT_EQ(progress.BarMaximum(), 100u);
    progress.Update("", 40);
    EXPECT_EQ(progress.BarPosition(), 40u);
    EXPECT_EQ(progress.CountLine(), "");
    EXPECT_EQ(progress.DisplayText(), "Rendering");
}

// A percent sign in a message is shown once, beside the count line's own.
TEST(ProgressLogic, PercentSignShownOnce) {
    ProgressLogic progress;
    progress.SetRange(4, "", true);
    progress.Update("50% of 100%% done", 2);
    EXPECT_EQ(progress.DisplayText(), "50% of 100%% done\n2 / 4 files (50 %) processed...");
    progress.SetRange(4, "Scan at 10%", false);
    EXPECT_EQ(progress.DisplayText(), "Scan at 10%");
}

// A new phase resets position and caption; an empty text keeps the message; Update without a
// text keeps the current message.
TEST(ProgressLogic, PhasesAndMessages) {
    ProgressLogic progress;
    progress.SetCaption("Copying");
    progress.SetRange(10, "First phase", true);
    EXPECT_EQ(progress.Caption(), "Progress");
    EXPECT_EQ(progress.Message(), "First phase\n");
    progress.Update("", 5);
    progress.SetRange(20, "", true);
    EXPECT_EQ(progress.Position(), 0u);
    EXPECT_EQ(progress.Message(), "First phase\n");
    progress.Update("Second phase", 4);
    EXPECT_EQ(progress.DisplayText(), "Second phase\n4 / 20 files (20 %) processed...");
    progress.Update("", 6);
    EXPECT_EQ(progress.DisplayText(), "Second phase\n6 / 20 files (30 %) processed...");
    progress.StepIt();
    EXPECT_EQ(progress.Position(), 7u);
}

// The bar never passes its end when the caller overshoots, and the percent does not overflow
// for positions near 2^64.
TEST(ProgressLogic, OvershootAndHugeValues) {
    ProgressLogic progress;
    progress.SetRange(10, "", true);
    progress.SetPos(25);
    EXPECT_EQ(progress.BarPosition(), 10u);
    progress.SetRange(1ull << 62, "", true);
    progress.SetPos(1ull << 61);
    EXPECT_EQ(progress.Percent(), 50u);
}

struct PlacementCase {
    int x, y;
    bool onScreen;
};

class ProgressPlacement : public testing::TestWithParam<PlacementCase> {};

// A saved position is used only when it lies on a 1920 x 1080 screen; anything else centres.
TEST_P(ProgressPlacement, OnScreenOrCentred) {
    const PlacementCase& c = GetParam();
    std::optional<ScreenPoint> placed = SavedProgressPlacement(c.x, c.y, 1920, 1080);
    ASSERT_EQ(placed.has_value(), c.onScreen);
    if (placed) {
        EXPECT_EQ(placed->x, c.x);
        EXPECT_EQ(placed->y, c.y);
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, ProgressPlacement,
                         testing::Values(PlacementCase{-1, -1, false}, PlacementCase{0, 0, true},
                                         PlacementCase{1919, 1079, true},
                                         PlacementCase{1920, 10, false},
                                         PlacementCase{10, 1080, false},
                                         PlacementCase{-5, 10, false},
                                         PlacementCase{3000, 2000, false}));

// The position round-trips through Settings\X_Progress and Y_Progress, -1 when never saved.
TEST(ProgressLogic, PositionSettings) {
    test::TestDir dir;
    RegistryStore registry(dir.Path());
    SettingsStore store(registry);
    ScreenPoint unset = ReadProgressPosition(store);
    EXPECT_EQ(unset.x, -1);
    EXPECT_EQ(unset.y, -1);
    SaveProgressPosition(store, {321, 45});
    EXPECT_EQ(store.GetProfileInt("Settings", "X_Progress", -1), 321);
    EXPECT_EQ(store.GetProfileInt("Settings", "Y_Progress", -1), 45);
    ScreenPoint read = ReadProgressPosition(store);
    EXPECT_EQ(read.x, 321);
    EXPECT_EQ(read.y, 45);
}

}  // namespace
}  // namespace quillon
