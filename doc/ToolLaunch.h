// The sibling tools the window hands files to (the text diff editor, the viewer) and the second
// instance the link mode starts on two folders. The tools are found and started through the
// current RunContext (LocateTool, DefaultLauncher).
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/SiblingLaunch.h"
#include "platform/ToolLocator.h"

namespace quillon {

class Prompter;

class ToolLaunch {
  public:
    explicit ToolLaunch(Prompter* prompter) : prompter_(prompter) {}

    // Hands one or two files to the text diff editor, or to the viewer when the first is binary;
    // a second file of the other kind stays out. True when a tool was started.
    bool LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode);
    // ENTER or the link mode on files: one file is opened, two are compared, by the opener the
    // window sets (its pane launcher); without one, as LaunchFiles at start-up.
    void SetFileOpener(std::function<bool(const std::vector<std::string>&)> opener) {
        opener_ = std::move(opener);
    }
    bool OpenFiles(const std::vector<std::string>& files) {
        return opener_ ? opener_(files) : LaunchFiles(files, SiblingLaunchMode::kStartUp);
    }
    // The viewer on one file (the written report); false when it could not be started.
    bool ViewFile(const std::string& path);
    // This program again, comparing the two folders.
    void StartInstance(const std::string& left, const std::string& right);

  private:
    Prompter* prompter_;
    std::function<bool(const std::vector<std::string>&)> opener_;
};

}  // namespace quillon
