// The stand-alone rename without a window: "-SARename -Simulate[:<page>]" prints the page's
// simulated result for the paths, "-SARename -Apply[:<page>]" carries the renames out answering
// every question the way that changes least. Both use the options stored for the page and write
// no setting.
#pragma once

#include <cstdio>

#include "app/CommandLine.h"

namespace quillon {

class SettingsStore;

inline constexpr int kRenameExitOk = 0;
inline constexpr int kRenameExitSome = 1;  // an error line, or an item not renamed
inline constexpr int kRenameExitTrouble = 2;

// Whether the command line asks for a rename run without a window.
bool IsUnattendedRename(const CommandLine& cmd);

// The simulated result (or the failure text of -Apply) goes to `out` as its raw bytes, messages
// to `err` one line each. Returns one of the exit statuses above.
int RunRename(const CommandLine& cmd, const SettingsStore& settings, FILE* out, FILE* err);

}  // namespace quillon
