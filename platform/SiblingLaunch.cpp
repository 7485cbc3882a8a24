#include "platform/SiblingLaunch.h"

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "platform/FileText.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

constexpr char kViewerSwitch[] = " /TILE_VERT";
// The freedesktop opener stands in for the viewer when the viewer is not installed; it opens one
// file per call and knows no viewer switches.
constexpr char kDesktopOpener[] = "xdg-open";

// False (and the message shown) when the tool cannot be used.
bool CheckTool(const std::string& path, const char* emptyText, const char* missingFormat,
               Prompter* prompter) {
    if (path.empty()) {
        ShowLaunchError(prompter, emptyText);
        return false;
    }
    if (!PathExistsLoose(path)) {
        ShowLaunchError(prompter, StringPrintf(missingFormat, path));
        return false;
    }
    return true;
}

bool StartDetached(Launcher& launcher, const std::string& commandLine, int* errorCode) {
    LaunchRequest request;
    request.commandLine = commandLine;
    const LaunchResult result = launcher.Launch(request);
    *errorCode = result.errorCode;
    return result.started;
}

}  // namespace

void ShowLaunchError(Prompter* prompter, const std::string& text) {
    if (prompter == nullptr) {
        return;
    }
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk | mb::kIconStop;
    prompter->Ask(request);
}

std::string BuildSiblingCommandLine(const std::string& toolPath,
                                    const std::vector<std::string>& files, bool viewer) {
    std::string line = QuoteProgramIfBlank(toolPath);
    for (size_t i = 0; i < files.size() && i < 2; ++i) {
        line += ' ';
        line += QuoteArgument(files[i]);
    }
    if (viewer) {
        line += kViewerSwitch;
    }
    return line;
}

bool LaunchSiblingForFiles(const std::vector<std::string>& files, bool binary,
                           const SiblingTools& tools, SiblingLaunchMode mode, Prompter* prompter,
                           Launcher& launcher) {
    if (files.empty()) {
        return false;
    }
    const bool startUp = mode == SiblingLaunchMode::kStartUp;
    int errorCode = 0;
    if (binary) {
        const std::string& viewer = tools.viewerPath;
        if (startUp && !CheckTool(viewer, kViewerNameEmpty, kViewerMissing, prompter)) {
            return false;
        }
        bool started = true;
        if (BaseName(viewer) == kDesktopOpener) {
            for (size_t i = 0; i < files.size() && i < 2; ++i) {
                started =
                    StartDetached(launcher, BuildSiblingCommandLine(viewer, {files[i]}, false),
                                  &errorCode) &&
                    started;
            }
        } else {
            started =
                StartDetached(launcher, BuildSiblingCommandLine(viewer, files, true), &errorCode);
        }
        if (!started) {
            LogError(errorCode, "Reason for failure of launching Panorel");
        }
        return started;
    }

    const std::string& editor = tools.editorPath;
    if (startUp) {
        if (!CheckTool(editor, kEditorNameEmpty, kEditorMissing, prompter)) {
            return false;
        }
    } else if (!PathExistsLoose(editor)) {
        return false;
    }
    if (files.size() == 1) {
        Log("CreateProcess with %s", files[0].c_str());
    } else {
        Log("CreateProcess with %s and %s", files[0].c_str(), files[1].c_str());
    }
    if (!StartDetached(launcher, BuildSiblingCommandLine(editor, files, false), &errorCode)) {
        LogError(errorCode, "Reason for failure of CreateProcess for %s", editor.c_str());
        return false;
    }
    return true;
}

}  // namespace quillon
