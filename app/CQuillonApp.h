// The application: what a run does once before any window exists (the log, the pruning of old
// side logs, the forgetting of remembered answers, the run tag of the backups) and the display
// filter state of the run.
#pragma once

#include <string>

#include "app/CommandLine.h"
#include "core/FilterState.h"

namespace quillon {

class SettingsStore;

inline constexpr const char* kLogBaseName = "Quillon";
inline constexpr const char* kLogExtension = "log";
inline constexpr const char* kSideLogExtension = "txt";

class CQuillonApp {
  public:
    explicit CQuillonApp(SettingsStore& store) : store_(store) {}

    // The run's start; a second call does nothing.
    void StartRun();
    // The digits of the run stamp, taken when the run started.
    const std::string& RunTag() const { return runTag_; }

    // The stored defaults, then the command line, which wins.
    void TakeFilter(const CommandLine& cmd);
    const FilterState& Filter() const { return filter_; }

  private:
    SettingsStore& store_;
    bool started_ = false;
    std::string runTag_;
    FilterState filter_;
};

}  // namespace quillon
