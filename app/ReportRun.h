// The report run: compares two folders with both trees read whole and writes the text report to
// standard output or a file, without any window.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "core/ComparisonOptions.h"
#include "platform/ProgressSink.h"

namespace quillon {

class Comparison;
class SettingsStore;

inline constexpr int kReportExitSame = 0;
inline constexpr int kReportExitDifferent = 1;
inline constexpr int kReportExitTrouble = 2;

// The comparison settings of the Settings section, read as the window reads them.
ComparisonOptions LoadComparisonOptions(const SettingsStore& store);

// A progress line on a terminal: "\r" + caption, text and count, redrawn at most every
// `minIntervalMs` milliseconds so that a fast scan is not slowed by its own output.
class TerminalProgressFactory : public ProgressFactory {
  public:
    explicit TerminalProgressFactory(FILE* stream, int minIntervalMs = 100)
        : stream_(stream), minIntervalMs_(minIntervalMs) {}
    std::unique_ptr<ProgressSink> Open(std::string_view caption) override;

  private:
    FILE* stream_;
    int minIntervalMs_;
};

// Names on `err` each folder or file of `comparison` that could not be read, and each folder pair
// with a link on a side, left unread; either makes `status` trouble.
int NameWhatWasNotCompared(FILE* err, const Comparison& comparison, int status);

// The log is opened as a window start opens it and "cmd args = ..." is logged. Returns one of
// the exit statuses above; on trouble one line goes to `err`.
int RunReport(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
              FILE* err);

}  // namespace quillon
