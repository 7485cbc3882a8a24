// The PDF run: compares two folders with both trees read whole and writes the pages that "Save
// Output as PDF" writes, without a window and without writing any setting.
#pragma once

#include <cstdio>

#include "app/CommandLine.h"
#include "platform/ProgressSink.h"

namespace quillon {

class SettingsStore;

// Needs a QGuiApplication (the fonts); the paper is the locale's, portrait, and names that do not
// fit are cut. The exit statuses of the report run; on trouble one line goes to `err`.
int RunPrintPdf(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
                FILE* err);

}  // namespace quillon
