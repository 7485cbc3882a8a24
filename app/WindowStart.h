// The interactive start: the main frame shown where it was last closed, on no folder, one
// folder or a pair, with the display filter of this run.
#pragma once

#include <memory>

#include "app/CQuillonApp.h"
#include "app/CommandLine.h"
#include "app/StartUp.h"
#include "ui/CMainFrame.h"

namespace quillon {

class SettingsStore;

// Needs a QApplication. Starts the run of `app` (this run's log first), logs the arguments,
// creates the frame with the display filter from the stored defaults and the command line, shows
// it and opens the decided folders. A first path that is missing opens the empty window.
std::unique_ptr<CMainFrame> OpenWindow(CQuillonApp& app, const CommandLine& cmd,
                                       const StartDecision& decision, SettingsStore& settings,
                                       const FrameServices& services = {});

// OpenWindow, then the event loop; returns the process exit status.
int RunWindow(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings);

}  // namespace quillon
