// The sibling tools the window hands files to (the text diff editor, the viewer) and the second
// instance the link mode starts on two folders.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SiblingLaunch.h"

namespace quillon {

class Launcher;
class Prompter;

inline constexpr const char* kEditorExe = "Scrivlet.exe";
inline constexpr const char* kViewerExe = "Panorel.exe";

class ToolLaunch {
  public:
    explicit ToolLaunch(Prompter* prompter) : prompter_(prompter) {}

    // Replaceable for tests: the opening of one or two files and the start of a second instance
    // on two folders.
    std::function<void(const std::vector<std::string>& files)> fileOpener;
    std::function<void(const std::string&, const std::string&)> instanceStarter;
    // Where the tools are started and how they are found (exe name -> path, empty when not
    // installed). The defaults are the process launcher and LocateTool.
    Launcher* launcher = nullptr;
    std::function<std::string(std::string_view exe)> toolLocator;

    // Hands one or two files to the text diff editor, or to the viewer when the first is binary;
    // a second file of the other kind stays out. True when a tool was started.
    bool LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode);
    // The viewer on one file (the written report); false when it could not be started.
    bool ViewFile(const std::string& path);
    // This program again, comparing the two folders.
    void StartInstance(const std::string& left, const std::string& right);

  private:
    std::string FindTool(std::string_view exe) const;
    Launcher& Starter() const;

    Prompter* prompter_;
};

}  // namespace quillon
