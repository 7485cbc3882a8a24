// The PDF binder run for scripts: "-PDF -Out:<file.pdf>" renders the path arguments (files and
// folders) or the "-Input:" text file into one PDF without any dialog, with the stored
// PDFRendition options. Nothing is written to the settings.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace quillon {

class ProgressFactory;
class SettingsStore;

inline constexpr int kPdfExitOk = 0;
inline constexpr int kPdfExitSkipped = 1;  // the PDF is made, some sources are not in it
inline constexpr int kPdfExitTrouble = 2;  // no PDF (an existing one is left as it was)

// Messages go to `err`, one line each; `progress` (may be null) shows the documents as they go.
int RunPdf(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress, FILE* err);

class Prompter;

// "-PDF" without "-Out:": the binder dialog, modal, on the first path, without the main window.
// Needs the application object. 0 when a PDF was made, 1 when the dialog was closed without one.
int RunPdfDialog(const std::vector<std::string>& paths, SettingsStore& settings,
                 Prompter& prompter);

}  // namespace quillon
