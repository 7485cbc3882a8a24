// Start-up decisions: what a process invocation asks for, before any window exists. Nothing here
// touches Qt, so every rule can be exercised without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FilterState.h"

namespace quillon {

inline constexpr uint32_t kFilterDiffMask = 0xF00;

// The switch that writes the comparison report without a window. Values not given come from the
// OutputFormat settings.
struct ReportSwitch {
    bool present = false;
    std::optional<int> contentIndex;
    std::optional<int> encoding;
    std::optional<int> fileNameStyle;
    std::optional<std::string> outPath;
};

// The switches that list, restore or purge the backups a crashed run left below a folder.
enum class BackupsMode { List, Restore, Purge };

struct BackupsSwitch {
    bool present = false;
    BackupsMode mode = BackupsMode::List;
    std::string runTag;  // empty: every run's
};

// "-Simulate[:<page>]" or "-Apply[:<page>]" with "-SARename": the stand-alone rename without a
// window, on the options stored for the page.
struct RenameSwitch {
    bool simulate = false;
    bool apply = false;
    int page = 0;  // 1..6; 0: the page used last
};

struct CommandLine {
    bool regRun = false;
    bool unregRun = false;
    bool configRun = false;
    bool pdfRun = false;
    bool renameRun = false;
    bool helpRun = false;     // "--help" or "-h" anywhere
    bool versionRun = false;  // "--version" anywhere
    ReportSwitch report;
    BackupsSwitch backups;
    RenameSwitch rename;
    // The last "-FILTER" argument's parts; a later one overrides what an earlier one gave.
    bool filterGiven = false;
    std::optional<uint32_t> filterFlags;
    std::optional<std::string> filterExtensions;
    std::vector<std::string> paths;  // every path argument, one trailing separator stripped
    std::string cmdArgs;             // every argument followed by one space
    std::string joinedPaths;         // every path argument followed by ';'
    std::string error;               // a switch with a value that cannot be used
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The process's current folder; empty when it cannot be named (it was removed).
std::string CurrentFolder();

// Every path argument and the report's file made absolute against `currentFolder`, with "." and
// ".." folded as text, before anything stores, shows or logs them: the parent of a relative path
// kept as typed runs out after a few steps up, where the absolute one reaches "/". The argument
// line in `cmdArgs` stays as typed. Without a current folder the paths stay as they are.
void MakePathsAbsolute(CommandLine& cmd, std::string_view currentFolder);

// Settings first, then the command line, which wins.
void ApplyFilterOption(const CommandLine& cmd, FilterState& filter);

enum class PathKind { Missing, Folder, File };

struct PathInfo {
    PathKind kind = PathKind::Missing;
    bool binary = false;
};

// Missing, folder or file; a file is binary when encoding detection says so.
PathInfo ProbePath(const std::string& path);

enum class StartOutcome {
    Help,  // the command-line summary on standard output
    Version,
    Register,
    Unregister,
    Config,
    Pdf,
    Rename,
    Report,
    Backups,
    OpenFiles,  // hand one or two files to a sibling tool, no window
    Window,     // the comparison window: empty, one folder or a pair
};

struct StartDecision {
    StartOutcome outcome = StartOutcome::Window;
    // The paths that take part after the kind rules (at most two): the folders to open, or the
    // files to hand to a sibling tool.
    std::vector<std::string> paths;
    bool binary = false;  // OpenFiles: the files go to the viewer
};

using PathProbe = std::function<PathInfo(const std::string&)>;

StartDecision DecideStart(const CommandLine& cmd, const PathProbe& probe);

}  // namespace quillon
