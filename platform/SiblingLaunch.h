// Handing files named on the command line (or opened as a document) to a sibling tool: the viewer
// for a binary file, the text diff editor otherwise. Nothing is read back from the tool.
#pragma once

#include <string>
#include <vector>

namespace quillon {

class Launcher;
class Prompter;

inline constexpr char kEditorNameEmpty[] = "Scrivlet name is empty.";
inline constexpr char kEditorMissing[] = "Scrivlet %s doesn't exist.";
inline constexpr char kViewerNameEmpty[] = "Panorel name is empty.";
inline constexpr char kViewerMissing[] = "Panorel %s doesn't exist.";

enum class SiblingLaunchMode {
    kStartUp,       // an empty or missing tool path is shown to the user and nothing starts
    kDocumentOpen,  // no messages; the viewer is tried regardless, the editor only when it exists
};

struct SiblingTools {
    std::string editorPath;
    std::string viewerPath;
};

// A launch failure shown as a stop box; nothing when there is no one to tell.
void ShowLaunchError(Prompter* prompter, const std::string& text);

// The command line for one or two files: the tool path (quoted only when it has a blank), each
// file in double quotes, and " /TILE_VERT" after the last one for the viewer.
std::string BuildSiblingCommandLine(const std::string& toolPath,
                                    const std::vector<std::string>& files, bool viewer);

// Starts the tool for `files` (one or two) without waiting. `binary` is the verdict on the first
// file. True when a process was started.
bool LaunchSiblingForFiles(const std::vector<std::string>& files, bool binary,
                           const SiblingTools& tools, SiblingLaunchMode mode, Prompter* prompter,
                           Launcher& launcher);

}  // namespace quillon
