// The sibling tools the window hands files to (the text diff editor, the viewer) and the second
// instance the link mode starts on two folders. The tools are found and started through the
// current RunContext (LocateTool, DefaultLauncher).
#pragma once

#include <string>
#include <vector>

#include "platform/SiblingLaunch.h"

namespace quillon {

class Prompter;

inline constexpr const char* kEditorExe = "Scrivlet.exe";
inline constexpr const char* kViewerExe = "Panorel.exe";

class ToolLaunch {
  public:
    explicit ToolLaunch(Prompter* prompter) : prompter_(prompter) {}

    // Hands one or two files to the text diff editor, or to the viewer when the first is binary;
    // a second file of the other kind stays out. True when a tool was started.
    bool LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode);
    // The viewer on one file (the written report); false when it could not be started.
    bool ViewFile(const std::string& path);
    // This program again, comparing the two folders.
    void StartInstance(const std::string& left, const std::string& right);

  private:
    Prompter* prompter_;
};

}  // namespace quillon
