#include "doc/ToolLaunch.h"

#include <unistd.h>

#include <algorithm>

#include "platform/FileText.h"
#include "platform/Launcher.h"
#include "platform/ToolLocator.h"

namespace quillon {

namespace {

std::string OwnProgramPath() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

}  // namespace

bool ToolLaunch::LaunchFiles(const std::vector<std::string>& files, SiblingLaunchMode mode) {
    if (files.empty()) {
        return false;
    }
    auto isBinary = [](const std::string& path) {
        return DetectTextEncoding(path).encoding == kEncodingBinary;
    };
    std::vector<std::string> handed(files.begin(),
                                    files.begin() + std::min<size_t>(files.size(), 2));
    const bool binary = isBinary(handed[0]);
    if (handed.size() == 2 && isBinary(handed[1]) != binary) {
        handed.resize(1);
    }
    SiblingTools tools;
    // Only the tool that is used is looked up: a failed lookup writes a log line.
    (binary ? tools.viewerPath : tools.editorPath) = LocateTool(binary ? kViewerExe : kEditorExe);
    return LaunchSiblingForFiles(handed, binary, tools, mode, prompter_, DefaultLauncher());
}

bool ToolLaunch::ViewFile(const std::string& path) {
    SiblingTools tools;
    tools.viewerPath = LocateTool(kViewerExe);
    return LaunchSiblingForFiles({path}, true, tools, SiblingLaunchMode::kStartUp, prompter_,
                                 DefaultLauncher());
}

void ToolLaunch::StartInstance(const std::string& left, const std::string& right) {
    LaunchRequest request;
    request.commandLine =
        "\"" + OwnProgramPath() + "\" " + QuoteArgument(left) + " " + QuoteArgument(right);
    DefaultLauncher().Launch(request);
}

}  // namespace quillon
