#include "core/AutoRefresh.h"

#include <ctime>
#include <limits>

#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"

namespace quillon {
namespace {

constexpr std::string_view kAutoRefreshDisabled = "AutoRefreshDisabled";
constexpr std::string_view kTimerInterval = "TimerIntervalInSecond";
constexpr std::string_view kLogRefresh = "LogRefresh";

uint32_t RaisedInterval(uint32_t seconds) {
    return seconds < kMinRefreshIntervalSeconds ? kMinRefreshIntervalSeconds : seconds;
}

}  // namespace

int64_t SystemRefreshClock::Now() const {
    return static_cast<int64_t>(std::time(nullptr));
}

AutoRefreshTimer::AutoRefreshTimer(SettingsStore& settings, TimerPort& timer,
                                   const RefreshClock& clock, Prompter* prompter)
    : settings_(settings), timer_(timer), clock_(clock), prompter_(prompter) {}

AutoRefreshHooks AutoRefreshTimer::Hooks() {
    return AutoRefreshHooks{[this] { PauseAutoRefresh(); }, [this] { ResumeAutoRefresh(); }};
}

void AutoRefreshTimer::Start() {
    const int disabled = settings_.GetProfileInt(kMiscSection, kAutoRefreshDisabled, 1);
    settings_.WriteProfileInt(kMiscSection, kAutoRefreshDisabled, disabled);
    const uint32_t stored =
        static_cast<uint32_t>(settings_.GetProfileInt(kMiscSection, kTimerInterval, 0));
    refreshInterval = RaisedInterval(stored);
    if (refreshInterval != stored) {
        settings_.WriteProfileInt(kMiscSection, kTimerInterval, static_cast<int>(refreshInterval));
    }
    if (disabled != 1) {
        Arm();
        lastTick = clock_.Now();
    }
}

void AutoRefreshTimer::OnTimer(uint32_t id) {
    if (id != kRefreshTimerId) {
        return;
    }
    const int64_t now = clock_.Now();
    const double elapsed = static_cast<double>(now - lastTick);
    Log("OnTimer(): start=%ld, finish=%ld, elapse=%.0f, interval=%u", static_cast<long>(lastTick),
        static_cast<long>(now), elapsed, refreshInterval);
    Disarm();
    if (settings_.GetProfileInt(kMiscSection, kAutoRefreshDisabled, 1) != 0) {
        return;
    }
    Arm();
    lastTick = now;
    if (elapsed > static_cast<double>(refreshInterval) + kLateTickSlackSeconds) {
        return;
    }
    const int count = target_.countBothSidedFileRows ? target_.countBothSidedFileRows() : 0;
    const bool sideLog = settings_.GetProfileInt(kMiscSection, kLogRefresh, 0) == 1;
    if (sideLog) {
        SwitchToSideLog(kTimerSideLogTag, kTimerSideLogExtension);
        Log("OnTimer(): Determining AutoRefresh() by # of files (=%d)", count);
    }
    if (count <= kAutoRefreshMaxBothSidedFiles && target_.autoRefresh) {
        target_.autoRefresh();
    }
    if (sideLog) {
        RestoreMainLog();
    }
}

void AutoRefreshTimer::PauseAutoRefresh() {
    if (!windowExists_) {
        return;
    }
    // Reads can nest (an expansion inside a read); only the outermost pause decides what the
    // last resume restores.
    if (pauseDepth_++ > 0) {
        return;
    }
    timerWasRunning = Running();
    Disarm();
}

void AutoRefreshTimer::ResumeAutoRefresh() {
    if (!windowExists_) {
        return;
    }
    if (pauseDepth_ > 0 && --pauseDepth_ > 0) {
        return;
    }
    if (!Running() && timerWasRunning) {
        Arm();
        lastTick = clock_.Now();
    }
}

bool AutoRefreshTimer::ToggleAutoRefresh(bool confirm) {
    auto agreed = [&](const char* question) {
        if (!confirm || !prompter_) {
            return true;
        }
        PromptRequest request;
        request.text = question;
        request.style = mb::kYesNo | mb::kIconQuestion;
        return prompter_->Ask(request) == mbr::kYes;
    };
    if (Running()) {
        if (!agreed(kKillTimerQuestion)) {
            return false;
        }
        Disarm();
        return true;
    }
    if (!agreed(kStartTimerQuestion)) {
        return false;
    }
    Arm();
    lastTick = clock_.Now();
    return true;
}

void AutoRefreshTimer::OnEnableAutoRefresh() {
    if (CanEnable()) {
        ToggleAutoRefresh(false);
    }
    settings_.WriteProfileInt(kMiscSection, kAutoRefreshDisabled, 0);
}

void AutoRefreshTimer::OnDisableAutoRefresh() {
    if (CanDisable()) {
        ToggleAutoRefresh(false);
    }
    settings_.WriteProfileInt(kMiscSection, kAutoRefreshDisabled, 1);
}

void AutoRefreshTimer::SetIntervalFromDialog(uint32_t seconds) {
    refreshInterval = RaisedInterval(seconds);
    settings_.WriteProfileInt(kMiscSection, kTimerInterval, static_cast<int>(refreshInterval));
}

void AutoRefreshTimer::Arm() {
    // A GUI timer takes a signed 32-bit period; a larger stored interval waits as long as it can.
    const uint64_t ms = uint64_t{refreshInterval} * 1000;
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    timer_.StartTimer(kRefreshTimerId, static_cast<uint32_t>(ms < limit ? ms : limit));
    refreshTimer = kRefreshTimerId;
}

void AutoRefreshTimer::Disarm() {
    if (refreshTimer != 0) {
        timer_.StopTimer(kRefreshTimerId);
    }
    refreshTimer = 0;
}

}  // namespace quillon
