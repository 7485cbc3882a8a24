// The start-up outcomes that end without a window: the runs this build does not do yet and the
// files handed to a sibling tool. The window start is app/WindowStart.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/Prompter.h"

namespace quillon {

class Launcher;
class RegistryStore;
class SettingsStore;

inline constexpr int kStartExitOk = 0;
inline constexpr int kStartExitUnavailable = 2;

// Hands one or two files to the viewer (binary) or the text diff editor; false when nothing was
// started.
using FileLauncher = std::function<bool(const std::vector<std::string>& files, bool binary)>;

// Message boxes of a start without a window: the text goes to standard error as one line and
// the answer is OK.
class StderrPrompter : public Prompter {
  public:
    explicit StderrPrompter(FILE* err) : err_(err) {}
    int Ask(const PromptRequest& request) override;

  private:
    FILE* err_;
};

// Locates the text diff editor and the viewer (App Paths in the machine hive, then PATH) and
// hands the files over as a start-up does: an empty or missing tool path is shown and nothing
// starts.
FileLauncher MakeSiblingFileLauncher(RegistryStore& registry, Prompter& prompter,
                                     Launcher& launcher);

// Opens the log as the window start does, logs the arguments and dispatches. Returns the process
// exit status.
int RunStart(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings,
             FILE* err, const FileLauncher& launchFiles);

// The log of a start that would create the main view: its switches from the Settings section,
// then this run's file.
void OpenStartLog(SettingsStore& store);

}  // namespace quillon
