#include "core/AutoRefresh.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/Log.h"
#include "support/FakeClock.h"
#include "support/FakePrompter.h"
#include "support/StoreFixture.h"

namespace quillon {
namespace {

using Calls = std::vector<std::string>;

class AutoRefreshTest : public test::StoreFixture {
  protected:
    AutoRefreshTest() {
        timer_.SetTarget({[this] { return bothSided_; }, [this] { ++refreshes_; }});
    }
    int Misc(const char* entry) { return Int(kMiscSection, entry); }
    void SetMisc(const char* entry, int value) {
        store_.WriteProfileInt(kMiscSection, entry, value);
    }
    void StartEnabled(AutoRefreshTimer& timer) {
        SetMisc("AutoRefreshDisabled", 0);
        timer.Start();
        port_.calls.clear();
    }
    test::ManualClock clock_;
    test::RecordingTimer port_;
    test::FakePrompter prompter_;
    AutoRefreshTimer timer_{store_, port_, clock_, &prompter_};
    int bothSided_ = 0;
    int refreshes_ = 0;
};

// First run stores the defaults (off, 120 s); intervals are raised to 120 s and capped in ms.
TEST_F(AutoRefreshTest, StartStoresDefaultsAndArmsWithTheRaisedInterval) {
    timer_.Start();
    EXPECT_TRUE(port_.calls.empty());
    EXPECT_FALSE(timer_.Running());
    EXPECT_EQ(Misc("AutoRefreshDisabled"), 1);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 120);
    const std::tuple<int, uint32_t, const char*> cases[] = {
        {0, 120, "start 123 120000"},
        {119, 120, "start 123 120000"},
        {120, 120, "start 123 120000"},
        {600, 600, "start 123 600000"},
        {3000000, 3000000, "start 123 2147483647"}};
    for (const auto& [stored, used, armed] : cases) {
        SetMisc("TimerIntervalInSecond", stored);
        AutoRefreshTimer timer(store_, port_, clock_);
        StartEnabled(timer);
        EXPECT_EQ(timer.refreshInterval, used) << stored;
        EXPECT_EQ(Misc("TimerIntervalInSecond"), static_cast<int>(used));
        timer.OnTimer(kRefreshTimerId);
        EXPECT_EQ(port_.calls, (Calls{"stop 123", armed})) << stored;
        EXPECT_EQ(timer.lastTick, clock_.now);
    }
}

// A timely tick over at most 100 both-sided rows refreshes; late, disabled and foreign ones do not.
TEST_F(AutoRefreshTest, Ticks) {
    const Calls rearm = {"stop 123", "start 123 120000"};
    // what, rows on both sides, disabled meanwhile, seconds later, timer id, refreshes, calls
    const std::tuple<const char*, int, bool, int64_t, uint32_t, int, Calls> cases[] = {
        {"timely", 100, false, 122, kRefreshTimerId, 1, rearm},
        {"too many rows", 101, false, 120, kRefreshTimerId, 0, rearm},
        {"late", 0, false, 123, kRefreshTimerId, 0, rearm},
        {"disabled", 0, true, 120, kRefreshTimerId, 0, {"stop 123"}},
        {"foreign id", 0, false, 120, kRefreshTimerId + 1, 0, {}}};
    for (const auto& [what, bothSided, disabled, later, id, refreshed, calls] : cases) {
        SCOPED_TRACE(what);
        int refreshes = 0;
        AutoRefreshTimer timer(store_, port_, clock_);
        timer.SetTarget({[rows = bothSided] { return rows; }, [&refreshes] { ++refreshes; }});
        StartEnabled(timer);
        const int64_t started = clock_.now;
        SetMisc("AutoRefreshDisabled", disabled ? 1 : 0);
        clock_.now += later;
        timer.OnTimer(id);
        EXPECT_EQ(refreshes, refreshed);
        EXPECT_EQ(port_.calls, calls);
        EXPECT_EQ(timer.Running(), !disabled);
        EXPECT_EQ(timer.lastTick, calls.size() == 2 ? clock_.now : started);
    }
}

// Reads pause and resume a running timer (outermost only); a new interval applies at the next tick.
TEST_F(AutoRefreshTest, PauseResumeIntervalAndLog) {
    timer_.Start();
    timer_.PauseAutoRefresh();
    timer_.ResumeAutoRefresh();
    EXPECT_FALSE(timer_.Running());
    StartEnabled(timer_);
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
    port_.calls.clear();
    timer_.SetIntervalFromDialog(45);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 120);
    timer_.SetIntervalFromDialog(300);
    EXPECT_EQ(Misc("TimerIntervalInSecond"), 300);
    EXPECT_TRUE(port_.calls.empty());
    const std::string mainLog = StartLog();
    SetMisc("LogRefresh", 1);
    bothSided_ = 7;
    const int64_t start = clock_.now;
    clock_.now += 120;
    timer_.OnTimer(kRefreshTimerId);
    EXPECT_EQ(port_.calls, (Calls{"stop 123", "start 123 300000"}));
    EXPECT_EQ(refreshes_, 1);
    // With LogRefresh 1 the decision goes to the "timer" side log, the tick line to the main log.
    EXPECT_EQ(GetLogPath(), mainLog);
    const std::string main = ReadText(mainLog);
    EXPECT_NE(main.find("OnTimer(): start=" + std::to_string(start) +
                        ", finish=" + std::to_string(start + 120) + ", elapse=120, interval=300"),
              std::string::npos)
        << main;
    EXPECT_EQ(main.find("Determining"), std::string::npos);
    EXPECT_NE(ReadText(mainLog.substr(0, mainLog.size() - 4) + "_timer.txt")
                  .find("OnTimer(): Determining AutoRefresh() by # of files (=7)"),
              std::string::npos);
    timer_.SetWindowExists(false);
    timer_.PauseAutoRefresh();
    EXPECT_TRUE(timer_.Running());
}

// Toggling with confirmation asks the exact question and No leaves the timer as it was.
TEST_F(AutoRefreshTest, ToggleAsks) {
    timer_.Start();
    prompter_.script = {mbr::kNo, mbr::kYes, mbr::kNo, mbr::kYes};
    EXPECT_FALSE(timer_.ToggleAutoRefresh(true));
    EXPECT_FALSE(timer_.Running());
    clock_.now += 5;
    EXPECT_TRUE(timer_.ToggleAutoRefresh(true));
    EXPECT_TRUE(timer_.Running());
    EXPECT_EQ(timer_.lastTick, clock_.now);
    EXPECT_FALSE(timer_.ToggleAutoRefresh(true));
    EXPECT_TRUE(timer_.ToggleAutoRefresh(true));
    EXPECT_FALSE(timer_.Running());
    ASSERT_EQ(prompter_.shown.size(), 4u);
    EXPECT_EQ(prompter_.shown[0].text,
              "You just chose to start the timer.\nDo you want to continue?");
    EXPECT_EQ(prompter_.shown[2].text, "Are you sure you want to kill the timer?");
    EXPECT_EQ(prompter_.shown[0].style & mb::kButtonSetMask, mb::kYesNo);
}

}  // namespace
}  // namespace quillon
