// The main frame's auto-refresh timer as logic: written against an injected clock and timer so
// that the window drives it with a QTimer and tests drive it by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/Comparison.h"

namespace quillon {

class Prompter;
class SettingsStore;

inline constexpr uint32_t kRefreshTimerId = 123;
inline constexpr uint32_t kMinRefreshIntervalSeconds = 120;
// A tick later than the interval by more than this was delayed (busy or asleep) and is skipped.
inline constexpr double kLateTickSlackSeconds = 2.0;
// Auto-refresh stays cheap only for small comparisons.
inline constexpr int kAutoRefreshMaxBothSidedFiles = 100;

inline constexpr std::string_view kMiscSection = "Misc.";
inline constexpr const char* kStartTimerQuestion =
    "You just chose to start the timer.\nDo you want to continue?";
inline constexpr const char* kKillTimerQuestion = "Are you sure you want to kill the timer?";
inline constexpr const char* kTimerSideLogTag = "timer";
inline constexpr const char* kTimerSideLogExtension = "txt";

// Seconds since 1970.
class RefreshClock {
  public:
    virtual ~RefreshClock() = default;
    virtual int64_t Now() const = 0;
};

class SystemRefreshClock : public RefreshClock {
  public:
    int64_t Now() const override;
};

// A repeating timer on the GUI thread that calls AutoRefreshTimer::OnTimer with its id.
class TimerPort {
  public:
    virtual ~TimerPort() = default;
    virtual void StartTimer(uint32_t id, uint32_t intervalMs) = 0;
    virtual void StopTimer(uint32_t id) = 0;
};

class AutoRefreshTimer {
  public:
    // What a tick acts on: the active view's comparison.
    struct Target {
        std::function<int()> countBothSidedFileRows;
        std::function<void()> autoRefresh;
    };

    AutoRefreshTimer(SettingsStore& settings, TimerPort& timer, const RefreshClock& clock,
                     Prompter* prompter = nullptr);

    void SetTarget(Target target) { target_ = std::move(target); }
    // Pausing and resuming do nothing while the frame window does not exist.
    void SetWindowExists(bool exists) { windowExists_ = exists; }
    // Hand to Comparison::SetAutoRefreshHooks so that every folder read pauses the timer.
    AutoRefreshHooks Hooks();

    // Frame start-up: reads and writes back the two settings and arms the timer when enabled.
    void Start();
    void OnTimer(uint32_t id);

    void PauseAutoRefresh();
    void ResumeAutoRefresh();
    // True when the timer changed state; `confirm` asks first and No cancels.
    bool ToggleAutoRefresh(bool confirm);

    // "&Enable Auto-Refresh" and "&Disable  Auto-Refresh", and when each is available.
    void OnEnableAutoRefresh();
    void OnDisableAutoRefresh();
    bool CanEnable() const { return refreshTimer == 0; }
    bool CanDisable() const { return refreshTimer != 0; }

    // The interval dialog's OK. A running timer keeps its period until the next tick re-arms it.
    void SetIntervalFromDialog(uint32_t seconds);

    bool Running() const { return refreshTimer != 0; }

    uint32_t refreshTimer = 0;  // kRefreshTimerId while running
    uint32_t refreshInterval = kMinRefreshIntervalSeconds;
    bool timerWasRunning = false;
    int64_t lastTick = 0;

  private:
    void Arm();
    void Disarm();

    SettingsStore& settings_;
    TimerPort& timer_;
    const RefreshClock& clock_;
    Prompter* prompter_;
    Target target_;
    bool windowExists_ = true;
    int pauseDepth_ = 0;
};

}  // namespace quillon
