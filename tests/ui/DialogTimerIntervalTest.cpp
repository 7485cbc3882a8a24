#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <utility>
#include <vector>

#include "core/AutoRefresh.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/ModalDialog.h"
#include "support/TempConfigEnv.h"
#include "ui/CTimerInterval.h"

namespace quillon {
namespace {

class RecordingTimer : public TimerPort {
  public:
    void StartTimer(uint32_t id, uint32_t intervalMs) override {
        starts.emplace_back(id, intervalMs);
    }
    void StopTimer(uint32_t) override { ++stops; }

    std::vector<std::pair<uint32_t, uint32_t>> starts;
    int stops = 0;
};

class FixedClock : public RefreshClock {
  public:
    int64_t Now() const override { return 1700000000; }
};

class DialogTimerIntervalTest : public testing::Test {
  protected:
    // Runs the dialog with `text` typed into the field; true when it closed with OK.
    bool RunWith(const QString& text, bool ok = true) {
        test::WhenModal([text, ok](QDialog& shown) {
            auto& dialog = static_cast<CTimerInterval&>(shown);
            dialog.IntervalField()->clear();
            QTest::keyClicks(dialog.IntervalField(), text);
            if (ok) {
                QTest::keyClick(dialog.IntervalField(), Qt::Key_Return);
            } else {
                shown.reject();
            }
        });
        return RunTimerInterval(nullptr, timer_, prompter_);
    }

    test::TempConfigEnv env_;
    RegistryStore registry_{RegistryStore::FolderFromEnvironment()};
    SettingsStore store_{registry_};
    test::FakePrompter prompter_;
    RecordingTimer port_;
    FixedClock clock_;
    AutoRefreshTimer timer_{store_, port_, clock_, &prompter_};
};

struct IntervalCase {
    const char* typed;
    uint32_t expected;
};

class DialogTimerIntervalFloorTest : public DialogTimerIntervalTest,
                                     public testing::WithParamInterface<IntervalCase> {};

// An interval below 120 seconds becomes 120; the value is stored and becomes the timer's.
TEST_P(DialogTimerIntervalFloorTest, RaisedToTheFloorAndStored) {
    ASSERT_TRUE(RunWith(GetParam().typed));
    EXPECT_EQ(timer_.refreshInterval, GetParam().expected);
    EXPECT_EQ(store_.GetProfileInt("Misc.", "TimerIntervalInSecond", -1), int(GetParam().expected));
    EXPECT_TRUE(prompter_.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Typed, DialogTimerIntervalFloorTest,
                         testing::Values(IntervalCase{"30", 120}, IntervalCase{"0", 120},
                                         IntervalCase{"119", 120}, IntervalCase{"120", 120},
                                         IntervalCase{"600", 600}));

// The field opens on the timer's interval; Cancel changes neither the timer nor the store.
TEST_F(DialogTimerIntervalTest, CancelChangesNothing) {
    timer_.refreshInterval = 300;
    CTimerInterval dialog(nullptr, timer_.refreshInterval, prompter_);
    EXPECT_EQ(dialog.IntervalField()->text(), "300");
    EXPECT_FALSE(RunWith("30", false));
    EXPECT_EQ(timer_.refreshInterval, 300u);
    EXPECT_EQ(store_.GetProfileInt("Misc.", "TimerIntervalInSecond", -1), -1);
}

// A field that holds no unsigned number keeps the dialog open with the range message.
TEST_F(DialogTimerIntervalTest, NonNumberKeepsTheDialogOpen) {
    for (const char* text : {"abc", "", "-5", "4294967296"}) {
        CTimerInterval dialog(nullptr, 120, prompter_);
        dialog.show();
        dialog.IntervalField()->setText(text);
        prompter_.shown.clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible()) << text;
        ASSERT_EQ(prompter_.shown.size(), 1u) << text;
        EXPECT_EQ(prompter_.shown[0].text, "Please enter an integer between 0 and 4294967295.");
    }
}

// A running timer keeps its period until the next tick re-arms it with the new interval.
TEST_F(DialogTimerIntervalTest, RunningTimerKeepsItsPeriodUntilTheNextTick) {
    store_.WriteProfileInt("Misc.", "AutoRefreshDisabled", 0);
    timer_.Start();
    ASSERT_EQ(port_.starts.size(), 1u);
    ASSERT_TRUE(RunWith("900"));
    EXPECT_EQ(port_.starts.size(), 1u);
    EXPECT_EQ(port_.starts.back().second, 120000u);
}

}  // namespace
}  // namespace quillon
