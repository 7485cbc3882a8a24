// A clock moved by hand and a recording timer port: timer logic runs without real time passing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/AutoRefresh.h"

namespace quillon::test {

class ManualClock : public RefreshClock {
  public:
    int64_t Now() const override { return now; }
    int64_t now = 1'700'000'000;
};

class RecordingTimer : public TimerPort {
  public:
    void StartTimer(uint32_t id, uint32_t intervalMs) override {
        calls.push_back("start " + std::to_string(id) + " " + std::to_string(intervalMs));
    }
    void StopTimer(uint32_t id) override { calls.push_back("stop " + std::to_string(id)); }
    std::vector<std::string> calls;
};

}  // namespace quillon::test
