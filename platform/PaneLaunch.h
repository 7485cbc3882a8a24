// What the panes start outside the program: the sibling tools (or the Linux programs that stand
// in for them), the desktop's opener, archive tools and the question before a program in a
// compared tree is run. Every command is an argument vector handed to the launcher as it is: no
// shell sees it, so quotes, "$()", ";", newlines or a leading "-" in a name mean nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class Launcher;
class Prompter;
struct SendToEntry;

// Texts shown or logged by the launches.
inline constexpr char kLaunchProgramQuestion[] =
    "%s\nis an application program.\n\nWould you like to launch it?";
inline constexpr char kLaunchProgramKey[] = "ENTERkeyOnThisItemID_01";
inline constexpr char kViewerLaunchFailure[] = "Reason for failure of launching Panorel";
inline constexpr char kHexLaunchFailure[] = "Reason for failure of launching Nybblet";
inline constexpr char kExplorerLaunchFailure[] =
    "Reason for failure of launching Windows Explorer with %s";
inline constexpr char kOpenFailure[] = "Reason for failure of opening %s";
inline constexpr char kArchiveOpenFailure[] = "Error occurred during opening Winzip.";
inline constexpr char kArchiveExtractFailure[] = "Error occurred during Winzip extraction.";
inline constexpr char kCommandSucceeded[] = "Command [%s] successful...";
inline constexpr char kCommandFailed[] = "Command [%s] failed...";
inline constexpr char kOpenFilesFailure[] = "Failed to open the following files:\n%s\n%s\n\n%s.";
inline constexpr char kOpenFileFailure[] = "Failed to open the following file:\n%s\n\n%s.";
inline constexpr char kDifferentEncodings[] =
    "They are using the different encoding:\n%s (%s)\n%s (%s).";
inline constexpr char kOneBinaryQuestion[] =
    "%s seems binary and\n%s isn't.\nDo you want to open them with Scrivlet?\n\nIf not, the "
    "default application for non-text file will open them.";
inline constexpr char kNonTextRefused[] =
    "Attempted to view Binary or non-text file(s).\nThe binary/non-text file(s) not allowed to "
    "view.";
inline constexpr char kChecksumSame[] =
    "\n\nHowever, Checksum [0x%08x] indicates they are identical.";
inline constexpr char kChecksumDifferent[] =
    "\n\nHowever, Checksum indicates they are different:\n0x%08x vs. 0x%08x";
inline constexpr char kChecksumFailed[] =
    "\nUnfortunately, Checksum comparison failed due to unexpected error during CRC32 operation.";

// The name of a detected text encoding as the comparison notice shows it.
const char* EncodingName(int encoding);

// The programs the pane commands use, looked up once when the view starts. Empty: not found.
struct PaneToolPaths {
    std::string editor;   // text diff editor: its registration, else meld, kdiff3, kompare, diffuse
    std::string viewer;   // viewer: its registration, else xdg-open (one file per call)
    std::string hexTool;  // hex compare: its registration, else vbindiff, dhex
    std::string terminal;  // x-terminal-emulator, for a hex tool that needs a terminal
    std::string search;    // search: its registration, else catfish, fsearch
    std::string opener;    // xdg-open, else "gio" (then run as "gio open"): explorer, native app
    std::string archiver;  // file-roller, else ark
};

// Through LocateTool (registration first, then PATH) and, for the helpers, PATH.
PaneToolPaths LocatePaneTools();

enum class PaneTool { kTextEditor, kViewer, kHexCompare, kSearch, kExplorer, kNativeApp, kArchive };

// Empty when the command can run; else why not, for the tooltip of its greyed-out menu item
// (e.g. "No hex compare tool found: install vbindiff or dhex").
std::string ToolMissingReason(const PaneToolPaths& tools, PaneTool tool);

// One process to start: its arguments (the program first) and its working folder ("" = ours).
struct ToolCommand {
    std::vector<std::string> argv;
    std::string workingFolder;
};

// The logged form of an argument vector, each argument quoted as a command line would show it.
std::string CommandText(const std::vector<std::string>& argv);

// Builders; nothing (or an empty list) when the tool is missing. File arguments are full paths.
// The editor on one or two files; `options` (split like a command line) follow the files.
std::optional<ToolCommand> EditorCommand(const PaneToolPaths& tools,
                                         const std::vector<std::string>& files,
                                         std::string_view options = {});
// A registered viewer gets both files and "/TILE_VERT"; xdg-open gets one file per command.
std::vector<ToolCommand> ViewerCommands(const PaneToolPaths& tools,
                                        const std::vector<std::string>& files);
// vbindiff and dhex run inside "x-terminal-emulator -e"; a registered tool is started directly.
std::optional<ToolCommand> HexCompareCommand(const PaneToolPaths& tools, const std::string& left,
                                             const std::string& right);
// catfish (or a registered tool) with the start folder; fsearch knows none and gets none.
std::optional<ToolCommand> SearchCommand(const PaneToolPaths& tools, const std::string& folder);
// The folder in the desktop's file manager.
std::optional<ToolCommand> ExplorerCommand(const PaneToolPaths& tools, const std::string& folder);
// The file in its associated program, with the file's folder as working folder.
std::optional<ToolCommand> NativeAppCommand(const PaneToolPaths& tools, const std::string& file);

// The archive commands apply to a ".zip" file (case ignored).
bool IsZipFile(std::string_view name);
// "Extract to here": file-roller --extract-to=<folder> <archive>, or ark --batch --destination.
std::optional<ToolCommand> ExtractArchiveCommand(const PaneToolPaths& tools,
                                                 const std::string& archive,
                                                 const std::string& targetFolder);
// "Add to Zip file...": the archiver asks for the archive's name itself.
std::optional<ToolCommand> AddToArchiveCommand(const PaneToolPaths& tools,
                                               const std::vector<std::string>& files);

// What the ENTER key may do with a file of a compared tree.
enum class LaunchKind {
    kDocument,      // opened with its associated program
    kProgram,       // a regular file with an execute bit that is ELF or begins with "#!": asked
    kDesktopEntry,  // a ".desktop" file: never run, shown in the text editor instead
};
LaunchKind ClassifyLaunchTarget(const std::string& path);
// ClassifyLaunchTarget(path) == kProgram. Links are followed: what would run is what counts.
bool IsProgram(const std::string& path);

// The launches of the pane commands. Failures are logged; the ones that have a message also show
// it through the prompter (null: none shown). A missing tool is a failed launch.
class PaneLaunch {
  public:
    PaneLaunch(PaneToolPaths tools, Launcher& launcher, Prompter* prompter);

    const PaneToolPaths& Tools() const { return tools_; }

    // One file in the text editor, `options` after it; `wait` waits for the editor to end.
    bool ViewThisFile(const std::string& file, std::string_view options, bool wait);
    // ENTER on a file present on one side: a program is run only after the remembered question,
    // a .desktop file goes to the editor, anything else to the associated program.
    bool OpenItem(const std::string& path);
    // ENTER on a file present on both sides: two text files go to the text editor (after a notice
    // when their encodings differ); with one binary file the user chooses the editor or the
    // non-text tool; two binary files go to the tool `viewNonTextWith` names (0 the viewer, 1 the
    // hex compare) or, with neither, only their checksums are told.
    bool CompareTwoFiles(const std::string& left, const std::string& right, int viewNonTextWith);
    // "Open with Native App" (a .desktop file goes to the editor here too).
    bool OpenWithNativeApp(const std::string& path);
    // "View with Panorel": one or two files.
    bool LaunchViewer(const std::vector<std::string>& files);
    // "View with Nybblet": a pair of files.
    bool LaunchHexTool(const std::string& left, const std::string& right);
    bool LaunchSearch(const std::string& folder);
    bool OpenExplorer(const std::string& folder);
    // A favourite application's entry with "%1" standing for `file` (see FavoriteApps.h).
    bool LaunchFavourite(const std::string& entry, const std::string& file);
    // A Send To entry on the selected files (one or more processes).
    bool LaunchSendTo(const SendToEntry& entry, const std::vector<std::string>& files);
    bool ExtractArchive(const std::string& archive, const std::string& targetFolder);
    bool AddToArchive(const std::vector<std::string>& files);
    // Starts `command` without waiting (or waiting without limit); true when it started.
    bool Start(const ToolCommand& command, bool wait = false);

  private:
    PaneToolPaths tools_;
    Launcher& launcher_;
    Prompter* prompter_;
};

}  // namespace quillon
