// The interactive start: the main frame shown where it was last closed, on no folder, one
// folder or a pair, with the display filter of this run.
#pragma once

#include "app/CommandLine.h"
#include "app/StartUp.h"

namespace quillon {

class SettingsStore;

// Needs a QApplication. Opens the log, shows the frame, opens the decided folders and runs the
// event loop; returns the process exit status.
int RunWindow(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings,
              const FileLauncher& launchFiles);

}  // namespace quillon
