// The stand-alone rename wizard: the rename pages on the paths of the command line, without the
// main window. Nothing is journalled and no view follows.
#pragma once

#include "app/CommandLine.h"

namespace quillon {

class SettingsStore;

// Needs a QApplication. Opens the log as every start does, lists the paths (one folder: the
// files directly in it) and shows the wizard until it closes. Returns the exit status: 0, or 2
// with one line on standard error when there is nothing to rename.
int RunRenameWizard(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings);

}  // namespace quillon
