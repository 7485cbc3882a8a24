#include "core/AutoRefresh.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "core/Refresh.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "support/FakePrompter.h"
#include "support/FakeRefreshView.h"
#include "support/TempConfigEnv.h"

namespace quillon {
namespace {

using Calls = std::vector<std::string>;

class ManualClock : public RefreshClock {
  public:
    int64_t Now() const override { return now; }
    int64_t now = 1700000000;
};

class RecordingTimer : public TimerPort {
  public:
    void StartTimer(uint32_t id, uint32_t intervalMs) override {
        calls.push_back("start " + std::to_string(id) + " " + std::to_string(intervalMs));
    }
    void StopTimer(uint32_t id) override { calls.push_back("stop " + std::to_string(id)); }
    Calls calls;
};

class AutoRefreshTest : public ::testing::Test {
  protected:
    AutoRefreshTest() : registry_(env_.RegistryFolder()), settings_(registry_) {
        timer_.SetTarget({[this] { return bothSided_; }, [this] { ++refreshes_; }});
    }

    int Misc(const char* entry, int fallback = -999) {
        return settings_.GetProfileInt(kMiscSection, entry, fallback);
    }
    void SetMisc(const char* entry, int value) {
        settings_.WriteProfileInt(kMiscSection, entry, value);
    }
    // Starts with auto-refresh enabled and clears what start-up recorded.
    void StartEnabled() {
        SetMisc("AutoRefreshDisabled", 0);
        timer_.Start();
        port_.calls.clear();
    }
    void TickAfter(int64_t seconds) {
        clock_.now += seconds;
        timer_.OnTimer(kRefreshTimerId);
    }

    test::TempConfigEnv env_;
    RegistryStore registry_;
    SettingsStore settings_;
    ManualClock clock_;
    RecordingTimer port_;
    test::FakePrompter prompter_;
    AutoRefreshTimer timer_{settings_, port_, clock_, &prompter_};
    int bothSided_ = 0;
    int refreshes_ = 0;
};

// First run: auto-refresh stays off and both settings exist afterwards with their defaults.
TEST_F(AutoRefreshTest, FirstRunStoresDefaultsAndStaysOff) {
    timer_.Start();
    EXPECT_TRUE(port_.calls.empty());
    EXPECT_FALSE(timer_.Running());
    EXPECT_EQ(Misc("AutoRefreshDisabled"), 1);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 120);
    EXPECT_EQ(timer_.refreshInterval, 120u);
}

struct IntervalCase {
    int stored;
    uint32_t used;
};

class IntervalTest : public AutoRefreshTest, public ::testing::WithParamInterface<IntervalCase> {};

// Stored intervals below 120 seconds are raised to 120 and written back; the timer is armed with
// the interval in milliseconds.
TEST_P(IntervalTest, RaisedAndArmed) {
    SetMisc("TimerIntervalInSecond", GetParam().stored);
    SetMisc("AutoRefreshDisabled", 0);
    timer_.Start();
    EXPECT_EQ(timer_.refreshInterval, GetParam().used);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), static_cast<int>(GetParam().used));
    EXPECT_EQ(port_.calls, (Calls{"start 123 " + std::to_string(GetParam().used * 1000)}));
    EXPECT_EQ(timer_.lastTick, clock_.now);
}

INSTANTIATE_TEST_SUITE_P(Values, IntervalTest,
                         ::testing::Values(IntervalCase{0, 120}, IntervalCase{30, 120},
                                           IntervalCase{119, 120}, IntervalCase{120, 120},
                                           IntervalCase{600, 600}));

// A tick in time with few both-sided rows re-arms the timer and refreshes.
TEST_F(AutoRefreshTest, TimelyTickRefreshes) {
    StartEnabled();
    bothSided_ = 100;
    TickAfter(122);
    EXPECT_EQ(refreshes_, 1);
    EXPECT_EQ(port_.calls, (Calls{"stop 123", "start 123 120000"}));
    EXPECT_EQ(timer_.lastTick, clock_.now);
    EXPECT_TRUE(timer_.Running());
}

// More than 100 rows present on both sides: the timer keeps ticking but never refreshes.
TEST_F(AutoRefreshTest, TooManyRowsKeepTickingWithoutRefresh) {
    StartEnabled();
    bothSided_ = 101;
    for (int i = 0; i < 3; ++i) {
        TickAfter(120);
    }
    EXPECT_EQ(refreshes_, 0);
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(port_.calls.size(), 6u);
}

// A tick more than two seconds late is skipped, but re-arms the timer from now.
TEST_F(AutoRefreshTest, LateTickIsSkipped) {
    StartEnabled();
    TickAfter(123);
    EXPECT_EQ(refreshes_, 0);
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(timer_.lastTick, clock_.now);
    TickAfter(120);
    EXPECT_EQ(refreshes_, 1);
}

// Disabled in the settings meanwhile: the tick stops the timer for good and does nothing else.
TEST_F(AutoRefreshTest, TickWhileDisabledStopsTimer) {
    StartEnabled();
    SetMisc("AutoRefreshDisabled", 1);
    TickAfter(120);
    EXPECT_EQ(port_.calls, (Calls{"stop 123"}));
    EXPECT_FALSE(timer_.Running());
    EXPECT_EQ(refreshes_, 0);
}

// Another timer's id is not ours.
TEST_F(AutoRefreshTest, ForeignTimerIdIgnored) {
    StartEnabled();
    clock_.now += 120;
    timer_.OnTimer(124);
    EXPECT_TRUE(port_.calls.empty());
    EXPECT_EQ(refreshes_, 0);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// With LogRefresh 1 the decision goes to the "timer" side log; the tick line stays in the main
// log, which is in force again afterwards.
TEST_F(AutoRefreshTest, LogRefreshUsesTimerSideLog) {
    const std::string mainLog = OpenLog("Quillon", "log", true);
    SetLogEnabled(true);
    SetMisc("LogRefresh", 1);
    StartEnabled();
    const int64_t start = clock_.now;
    bothSided_ = 7;
    TickAfter(120);
    const std::string sideLog = mainLog.substr(0, mainLog.size() - 4) + "_timer.txt";
    EXPECT_EQ(GetLogPath(), mainLog);
    EXPECT_NE(ReadAll(mainLog).find("OnTimer(): start=" + std::to_string(start) + ", finish=" +
                                    std::to_string(start + 120) + ", elapse=120, interval=120"),
              std::string::npos);
    const std::string side = ReadAll(sideLog);
    EXPECT_NE(side.find("OnTimer(): Determining AutoRefresh() by # of files (=7)"),
              std::string::npos);
    EXPECT_EQ(ReadAll(mainLog).find("Determining"), std::string::npos);
}

// Every folder read pauses a running timer and resumes it from the time of the resume; nested
// reads resume only at the end of the outermost one.
TEST_F(AutoRefreshTest, PauseAndResume) {
    StartEnabled();
    AutoRefreshHooks hooks = timer_.Hooks();
    hooks.pause();
    hooks.pause();
    EXPECT_FALSE(timer_.Running());
    clock_.now += 50;
    hooks.resume();
    EXPECT_FALSE(timer_.Running());
    hooks.resume();
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(timer_.lastTick, clock_.now);
    EXPECT_EQ(port_.calls, (Calls{"stop 123", "start 123 120000"}));
}

// A stopped timer is not started by a resume; nor is anything done without the window.
TEST_F(AutoRefreshTest, ResumeDoesNotStartAStoppedTimer) {
    timer_.Start();
    timer_.PauseAutoRefresh();
    timer_.ResumeAutoRefresh();
    EXPECT_FALSE(timer_.Running());
    StartEnabled();
    timer_.SetWindowExists(false);
    timer_.PauseAutoRefresh();
    EXPECT_TRUE(timer_.Running());
}

// Toggling with confirmation asks the exact question and No leaves the timer as it was.
TEST_F(AutoRefreshTest, ToggleAsksAndNoCancels) {
    timer_.Start();
    prompter_.script = {mbr::kNo, mbr::kYes, mbr::kNo, mbr::kYes};
    EXPECT_FALSE(timer_.ToggleAutoRefresh(true));
    EXPECT_FALSE(timer_.Running());
    clock_.now += 5;
    EXPECT_TRUE(timer_.ToggleAutoRefresh(true));
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(timer_.lastTick, clock_.now);
    EXPECT_FALSE(timer_.ToggleAutoRefresh(true));
    EXPECT_TRUE(timer_.Running());
    EXPECT_TRUE(timer_.ToggleAutoRefresh(true));
    EXPECT_FALSE(timer_.Running());
    ASSERT_EQ(prompter_.shown.size(), 4u);
    EXPECT_EQ(prompter_.shown[0].text,
              "You just chose to start the timer.\nDo you want to continue?");
    EXPECT_EQ(prompter_.shown[2].text, "Are you sure you want to kill the timer?");
    EXPECT_EQ(prompter_.shown[0].style & mb::kButtonSetMask, mb::kYesNo);
}

// The enable and disable commands ask nothing, persist the choice and are offered only in the
// state they leave.
TEST_F(AutoRefreshTest, EnableAndDisableCommands) {
    timer_.Start();
    EXPECT_TRUE(timer_.CanEnable());
    EXPECT_FALSE(timer_.CanDisable());
    timer_.OnEnableAutoRefresh();
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(Misc("AutoRefreshDisabled"), 0);
    EXPECT_FALSE(timer_.CanEnable());
    timer_.OnDisableAutoRefresh();
    EXPECT_FALSE(timer_.Running());
    EXPECT_EQ(Misc("AutoRefreshDisabled"), 1);
    EXPECT_TRUE(prompter_.shown.empty());
}

// The interval dialog stores at least 120 seconds; a running timer takes the new period at its
// next tick.
TEST_F(AutoRefreshTest, IntervalDialogTakesEffectAtNextTick) {
    StartEnabled();
    timer_.SetIntervalFromDialog(45);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 120);
    timer_.SetIntervalFromDialog(300);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 300);
    EXPECT_TRUE(port_.calls.empty());
    TickAfter(120);
    EXPECT_EQ(port_.calls, (Calls{"stop 123", "start 123 300000"}));
    EXPECT_EQ(refreshes_, 1);
}

// End to end with a real comparison: 101 files present on both sides keep the timer ticking
// without any refresh; with one of them gone the next tick refreshes.
TEST_F(AutoRefreshTest, RealComparisonOfManyFilesIsNotRefreshed) {
    std::vector<test::TreeEntry> tree;
    for (int i = 0; i < 101; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        tree.push_back({"left/" + name, "x", 1700000000});
        tree.push_back({"right/" + name, "x", 1700000000});
    }
    test::TestDir& dir = env_.Dir();
    dir.MakeTree(tree);
    Comparison comparison;
    test::FakeRefreshView view;
    view.paths[0] = dir / "left";
    view.paths[1] = dir / "right";
    Refresh refresh(comparison, view);
    comparison.SetAutoRefreshHooks(timer_.Hooks());
    timer_.SetTarget(
        {[&] { return refresh.CountBothSidedFileRows(); }, [&] { refresh.AutoRefresh(); }});
    StartEnabled();
    ASSERT_TRUE(comparison.CompareFolders(view.paths[0], view.paths[1], 0));
    EXPECT_TRUE(timer_.Running());

    dir.WriteFile("left/new.txt", "n");
    TickAfter(120);
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(view.Count("refill"), 0);
    EXPECT_EQ(view.Count("freeze"), 0);

    std::remove((dir / "right/f0.txt").c_str());
    bool changed = false;
    refresh.RescanFileList(comparison.rootItem, changed);
    int counter = 0;
    comparison.AssignIndent(comparison.rootItem, 1, counter);
    ASSERT_EQ(refresh.CountBothSidedFileRows(), 100);
    TickAfter(120);
    EXPECT_EQ(view.Count("refill"), 0) << "nothing new since the manual rescan";
    EXPECT_EQ(view.Count("freeze"), 1);
}

}  // namespace
}  // namespace quillon
