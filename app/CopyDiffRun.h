// The export run: copies the files that differ between two folders into a third one, without any
// window, as the "Copy Diff Files" commands do.
#pragma once

#include <cstdio>

#include "app/CommandLine.h"

namespace quillon {

class ProgressFactory;
class SettingsStore;

inline constexpr int kCopyDiffExitDone = 0;
inline constexpr int kCopyDiffExitSome = 1;  // some entries failed or were skipped
inline constexpr int kCopyDiffExitTrouble = 2;

// The log is opened as a window start opens it. The summary goes to `out`; each entry that failed
// or was skipped, and any trouble, is one line on `err`. Returns one of the exit statuses above.
int RunCopyDiff(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
                FILE* out, FILE* err);

}  // namespace quillon
