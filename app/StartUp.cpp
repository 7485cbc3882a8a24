#include "app/StartUp.h"

#include <cstdlib>

#include "app/CQuillonApp.h"
#include "app/Usage.h"

#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsCatalogue.h"
#include "platform/SettingsStore.h"
#include "platform/SiblingLaunch.h"
#include "platform/ToolLocator.h"

namespace quillon {

int StderrPrompter::Ask(const PromptRequest& request) {
    std::string text = request.text;
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    std::fprintf(err_, "quillon: %s\n", text.c_str());
    return mbr::kOk;
}

FileLauncher MakeSiblingFileLauncher(RegistryStore& registry, Prompter& prompter,
                                     Launcher& launcher) {
    return [&registry, &prompter, &launcher](const std::vector<std::string>& files, bool binary) {
        SiblingTools tools;
        // Only the tool that will be used is looked up: a failed lookup writes a log line.
        (binary ? tools.viewerPath : tools.editorPath) =
            LocateTool(registry, binary ? kViewerExe : kEditorExe);
        return LaunchSiblingForFiles(files, binary, tools, SiblingLaunchMode::kStartUp, &prompter,
                                     launcher);
    };
}

std::string VersionText() {
    return std::string("quillon ") + QUILLON_VERSION + "\n";
}

int PrintInfo(bool help, FILE* out) {
    const std::string text = help ? kUsageText : VersionText();
    return std::fputs(text.c_str(), out) >= 0 && std::fflush(out) == 0 ? kStartExitOk
                                                                       : kStartExitUnavailable;
}

void OpenStartLog(SettingsStore& store) {
    SetLogEnabled(ReadSetting(store, settings::kLogEnabled) != 0);
    OpenLog(kLogBaseName, kLogExtension, false,
            [&store] { return ReadSetting(store, settings::kLogTimestamp); });
}

int RunStart(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings,
             FILE* err, const FileLauncher& launchFiles) {
    OpenStartLog(settings);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    if (decision.outcome == StartOutcome::OpenFiles) {
        return launchFiles(decision.paths, decision.binary) ? kStartExitOk : kStartExitUnavailable;
    }
    // Every other run is dispatched before the log is opened; reaching here is a slip in main.
    const char* message = "nothing to start for these arguments";
    std::fprintf(err, "quillon: %s\n", message);
    Log("%s", message);
    return kStartExitUnavailable;
}

}  // namespace quillon
