// A PDF binder run: the sources (a list of files and folders, or an input text file that spells
// out the outline), their conversion to PostScript by the converter program, the assembly
// (PsAssembly.h) and the final Ghostscript step. Every outside program is started by argv.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/PsAssembly.h"

namespace quillon {

class Launcher;
class ProgressFactory;
class ProgressSink;
class Prompter;
class RegistryStore;

// The converter program that stands in for the viewer when a file is turned into PostScript.
inline constexpr std::string_view kPdfConverterName = "quillon-pdfconv";
// The caption of the progress window of a rendition.
inline constexpr std::string_view kPdfBinderCaption = "PDF Binder Creation";
// RenderPdf's result when the user stopped it between documents.
inline constexpr int kPdfCancelled = -200;

// Line results of the input text file.
enum InputLineCode {
    kInputNode = 1,
    kInputFile = 2,
    kInputEndNode = 3,
    kInputRelPath = 4,
    kInputIgnored = 5,
    kInputFileMissing = -2,
    kInputFileEmpty = -3,
    kInputRelPathMissing = -4,
    kInputRelPathEmpty = -5,
    kInputUnknown = -9,
};

struct InputLine {
    int code = kInputIgnored;
    std::string title;
    std::string path;  // FILE: the full path; RELPATH: the folder with a trailing separator
};

// One line of the input text file (without its line end). `relPath` is the current base folder of
// relative FILE paths (with a trailing separator, or empty).
InputLine ParseInputLine(std::string_view line, std::string_view relPath);
// The error text of a negative line code.
std::string InputLineError(int lineNumber, std::string_view line, const InputLine& parsed);
// The first error of the file, "" when there is none.
std::string ps_CheckInputSyntax(const std::string& path);

// The settings a rendition reads (PDFRendition section).
struct PdfRenditionOptions {
    bool generateToc = false;  // GenerateTOC is exactly 1
    bool includeExtension = true;
    bool keep = false;  // KeepPS
    // List mode: the entries' bookmarks go under one bookmark named after their common parent.
    bool includeParent = false;
    std::string folderTitleBefore;
    std::string folderTitleAfter;
};

// What a rendition talks to. Null members are allowed: without a prompter a converter that runs
// too long is stopped, and messages go to `show` only.
struct PdfRenditionEnv {
    std::string gs;              // FindGhostscript()
    std::string converter;       // FindPdfConverter()
    std::string settingsFolder;  // where a "_gsrc" is looked for when none is beside gs
    Launcher* launcher = nullptr;
    Prompter* prompter = nullptr;
    ProgressSink* progress = nullptr;
    // Without `progress`, the rendition opens its window here (kPdfBinderCaption) for its run.
    ProgressFactory* progressFactory = nullptr;
    std::function<void(const std::string&)> show;  // the messages of the Ghostscript step
    int converterWaitMs = 5 * 60 * 1000;           // one round before the user is asked
};

struct PdfRenditionOutcome {
    int documents = 0;
    std::vector<std::string> skipped;  // sources that could not be converted
    std::string keptPs;                // the PostScript kept beside a PDF that failed
    PsAssemblyTimes assembly;
    double convertSeconds = 0;
    double ghostscriptSeconds = 0;
};

// 1 on success, else the first failure code of a step. `sources` holds the list entries separated
// by '|' (list mode) or names the input text file.
int RenderPdf(const std::string& sources, const std::string& pdfPath, bool listMode,
              const PdfRenditionOptions& options, PdfRenditionEnv& env,
              PdfRenditionOutcome* outcome = nullptr);

// The converter: the App Paths entry of the viewer, else beside this program, else on PATH.
std::string FindPdfConverter(const RegistryStore& store, std::string_view programFolder,
                             std::string_view searchPath);
std::string FindPdfConverter();
// The converter and Ghostscript are both there (no printer is involved on this system).
bool HasPostScriptPrinter();
// HasPostScriptPrinter, and when it is false the two boxes that say so and how to mend it; the
// help topic the message announces is the second box, since there is no online help here.
bool CheckPostScriptPrinter(Prompter& prompter);

// The default option text of the final Ghostscript step.
std::string DefaultGsOptions();
// The first line of "_gsrc" beside `gs` (else in `settingsFolder`), or "" when there is none.
std::string ReadGsrc(const std::string& gs, const std::string& settingsFolder, std::string* where);

// The binder's checks before a rendition starts: the collected messages, each followed by a blank
// line, and the closing sentence; "" when all is well. A missing output folder is created.
std::string ValidatePdfBinder(const std::string& output, bool listMode,
                              const std::string& inputFile,
                              const std::vector<std::string>& sources);

// 8 times the bytes of the sources (folders walked without following links).
uint64_t RequiredPdfSpace(const std::vector<std::string>& sources);
// Free bytes for an unprivileged user on the file system of `folder`; -1 when unknown.
int64_t FreeSpaceOf(const std::string& folder);

}  // namespace quillon
