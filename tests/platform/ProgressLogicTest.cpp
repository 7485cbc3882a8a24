#include "platform/ProgressLogic.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "platform/ProgressSink.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

constexpr uint64_t kSixGb = 6ull * 1024 * 1024 * 1024;

struct PhaseCase {
    uint64_t total;
    const char* rangeText;
    bool showCounts;
    const char* updateText;
    uint64_t position;
    uint32_t barMaximum;
    uint32_t barPosition;
    const char* display;
};

// Each phase's bar (big totals scaled, 0 as 1, never past the end) and its count and percent text.
TEST(ProgressLogic, PhasesAndMessages) {
    const PhaseCase cases[] = {
        {4, "Reading folders...", true, "", 1, 4, 1,
         "Reading folders...\n1 / 4 files (25 %) processed..."},
        {3, "", true, "", 2, 3, 2, "2 / 3 files (66 %) processed..."},
        {0, "", true, "", 1, 1, 1, "1 / 1 files (100 %) processed..."},
        {kSixGb, "Copying", true, "", 1000000511, kSixGb / 512, 1953125,
         "Copying\n1000000511 / 6442450944 files (15 %) processed..."},
        {0xFFFFFFFFull, "", true, "", 7, 0xFFFFFFFFu, 7, "7 / 4294967295 files (0 %) processed..."},
        {0x100000000ull, "", true, "", 1024, 0x800000u, 2,
         "1024 / 4294967296 files (0 %) processed..."},
        {ProgressSink::kNoCount, "Rendering", true, "", 40, 100, 40, "Rendering"},
        {4, "", true, "50% of 100%% done", 2, 4, 2,
         "50% of 100%% done\n2 / 4 files (50 %) processed..."},
        {4, "Scan at 10%", false, "", 3, 4, 3, "Scan at 10%"},
        {10, "", true, "", 25, 10, 10, "25 / 10 files (250 %) processed..."}};
    for (const PhaseCase& c : cases) {
        SCOPED_TRACE(c.display);
        ProgressLogic progress;
        progress.SetRange(c.total, c.rangeText, c.showCounts);
        progress.Update(c.updateText, c.position);
        EXPECT_EQ(progress.BarMaximum(), c.barMaximum);
        EXPECT_EQ(progress.BarPosition(), c.barPosition);
        EXPECT_EQ(progress.DisplayText(), c.display);
    }
    // A new phase resets position, scale and caption; no text keeps the message; no overflow.
    ProgressLogic progress;
    progress.SetCaption("Copying");
    progress.SetRange(kSixGb, "First phase", true);
    EXPECT_EQ(progress.Caption(), "Progress");
    EXPECT_EQ(progress.Scale(), 512u);
    progress.Update("", 5);
    progress.SetRange(20, "", true);
    EXPECT_EQ(progress.Scale(), 1u);
    EXPECT_EQ(progress.Position(), 0u);
    EXPECT_EQ(progress.Message(), "First phase\n");
    progress.SetUnitText("items");
    progress.Update("Second phase", 4);
    progress.Update("", 6);
    EXPECT_EQ(progress.DisplayText(), "Second phase\n6 / 20 items (30 %) processed...");
    progress.StepIt();
    EXPECT_EQ(progress.Position(), 7u);
    progress.SetRange(1ull << 62, "", true);
    progress.SetPos(1ull << 61);
    EXPECT_EQ(progress.Percent(), 50u);
    progress.SetRange(ProgressSink::kNoCount, "", true);
    EXPECT_FALSE(progress.ShowCounts());
    EXPECT_EQ(progress.Total(), 100u);
    EXPECT_EQ(progress.CountLine(), "");
}

using ProgressSettings = test::StoreFixture;

// A saved position is used only on the screen (1920 x 1080), else centred; it round-trips.
TEST_F(ProgressSettings, PlacementOnScreenOrCentredAndSaved) {
    const std::tuple<int, int, bool> cases[] = {{-1, -1, false},    {0, 0, true},
                                                {1919, 1079, true}, {1920, 10, false},
                                                {10, 1080, false},  {-5, 10, false}};
    for (const auto& [x, y, onScreen] : cases) {
        const std::optional<ScreenPoint> placed = SavedProgressPlacement(x, y, 1920, 1080);
        ASSERT_EQ(placed.has_value(), onScreen) << x << "," << y;
        if (placed) {
            EXPECT_EQ(std::make_pair(placed->x, placed->y), std::make_pair(x, y));
        }
    }
    EXPECT_EQ(ReadProgressPosition(store_).x, -1);
    EXPECT_EQ(ReadProgressPosition(store_).y, -1);
    SaveProgressPosition(store_, {321, 45});
    EXPECT_EQ(Int("Settings", "X_Progress"), 321);
    EXPECT_EQ(Int("Settings", "Y_Progress"), 45);
    EXPECT_EQ(ReadProgressPosition(store_).y, 45);
}

}  // namespace
}  // namespace quillon
