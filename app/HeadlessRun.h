// What the windowless runs share: one line per problem on standard error, and the start of a run
// on two folders.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "core/FilterState.h"

namespace quillon {

class Comparison;
class SettingsStore;

// Every windowless run exits with 2 on trouble.
inline constexpr int kExitTrouble = 2;

// "quillon: <reason>" on one line of `err` (a line break inside, as in another program's output,
// becomes a blank), also logged after `run` ("Report run", ...) when given; kExitTrouble.
int ReportTrouble(FILE* err, std::string reason, const char* run = nullptr);

// The start of a run on two folders: the log opened, the arguments logged, and the stored
// display filter with the command line's "-FILTER" applied.
FilterState StartFolderPairRun(const CommandLine& cmd, SettingsStore& settings);

// Called as a run ends: the comparison's tree is left to the system, since freeing a million
// items one by one takes longer than the rest of the exit. A sanitizer build frees it, so that
// its leak check still accounts for everything else.
void LeaveToExit(std::unique_ptr<Comparison> comparison);

// `path` is a folder, or a link to one.
bool IsFolder(const std::string& path);

}  // namespace quillon
