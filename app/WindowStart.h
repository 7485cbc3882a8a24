// The interactive start: the main frame shown where it was last closed, on no folder, one
// folder or a pair, with the display filter of this run.
#pragma once

#include <memory>

#include "app/CommandLine.h"
#include "app/StartUp.h"
#include "ui/CMainFrame.h"

namespace quillon {

class SettingsStore;

// Needs a QApplication. Creates the frame (its view opens this run's log), logs the arguments,
// seeds the display filter from the stored defaults and the command line, shows the frame and
// opens the decided folders. A first path that is missing opens the empty window.
std::unique_ptr<CMainFrame> OpenWindow(const CommandLine& cmd, const StartDecision& decision,
                                       SettingsStore& settings, const FrameServices& services = {});

// OpenWindow, then the event loop; returns the process exit status.
int RunWindow(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings);

}  // namespace quillon
