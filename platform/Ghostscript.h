// Ghostscript as an outside program: finding its console executable, running it with an argument
// vector (never through a shell), and telling a run that really worked from one that only exited 0.
//
// Ghostscript reads some argument texts its own way: an output name is a page template ("%d"), an
// argument starting with '-' is a switch, one starting with '@' names an argument file, and one
// starting with '%' names an I/O device. GhostscriptInputArg and GhostscriptOutputArg turn any
// path into an argument that means exactly that file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class RegistryStore;

// Where FindGhostscript looks, apart from the registry: the program's own folder (for the
// "libpanorel" folder beside it) and the search path for "gs".
struct GhostscriptSearch {
    std::string programFolder;
    std::string searchPath;
};

// Full path of the gs console program, or "" when none is found (registry keys first, then gs on
// PATH).
std::string FindGhostscript();
// The same on a given store and search places: HKLM "Software\GPL Ghostscript" (32-bit view, else
// 64-bit view; every version's GS_DLL folder, the last hit kept), the "libpanorel" folder beside
// the program, HKLM "Software\Quillon" value "GsExe", then "gs" on the search path.
std::string FindGhostscript(const RegistryStore& store, const GhostscriptSearch& where);

// Runs gs (argv, never a shell) with `args`; true only when it started, exited 0 and its output
// holds neither "Error handled by opdfread.ps" nor "Error:". `output` (may be null) receives
// stdout+stderr.
bool RunGhostscript(const std::string& gs, const std::vector<std::string>& args,
                    std::string* output);

struct GhostscriptRun {
    bool started = false;
    int startError = 0;  // errno of a failed start
    bool timedOut = false;
    int exitCode = -1;  // 128 + the signal number when a signal ended it
    bool errorInOutput = false;
    std::string output;  // stdout and stderr interleaved, cut at kGhostscriptOutputLimit
    bool Succeeded() const { return started && !timedOut && exitCode == 0 && !errorInOutput; }
};
inline constexpr size_t kGhostscriptOutputLimit = 1 << 20;
inline constexpr int kGhostscriptTimeoutMs = 1000 * 1000;

// RunGhostscript with the whole picture; a run longer than `timeoutMs` is killed.
GhostscriptRun RunGhostscriptFor(const std::string& gs, const std::vector<std::string>& args,
                                 int timeoutMs = kGhostscriptTimeoutMs);

// True when Ghostscript's output reports a PostScript error although the process may exit 0.
bool GhostscriptOutputHasError(std::string_view output);

// `path` as an input file argument: absolute (so never read as a switch, an argument file or a
// device).
std::string GhostscriptInputArg(const std::string& path);
// "-sOutputFile=" with `path` absolute and each '%' doubled, so no page template is seen.
std::string GhostscriptOutputArg(const std::string& path);

// PDF (or PS) `input` -> PDF `output` through gs pdfwrite; writes a temporary beside `output` and
// renames it into place only on success (a failed run keeps an existing `output`). Paths with % -
// @ are safe.
bool GhostscriptToPdf(const std::string& gs, const std::string& input, const std::string& output,
                      std::string* error);

}  // namespace quillon
