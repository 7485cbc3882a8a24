#include "app/WindowStart.h"

#include <QApplication>

#include "platform/Log.h"
#include "ui/CMainFrame.h"
#include "ui/CQuillonView.h"

namespace quillon {

int RunWindow(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings,
              const FileLauncher& launchFiles) {
    OpenStartLog(settings);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    FilterState filter = SeedFilterFromSettings(settings);
    ApplyFilterOption(cmd, filter);

    CMainFrame frame(&settings);
    frame.SetFilterState(filter);
    frame.View()->SetFileOpener([&launchFiles](const std::vector<std::string>& files) {
        launchFiles(files, ProbePath(files.front()).binary);
    });
    frame.ShowWithSavedPlacement(kShowNormal);
    // A first path that is missing opens the empty window without a message.
    if (!decision.paths.empty() && ProbePath(decision.paths[0]).kind == PathKind::Folder) {
        for (size_t side = 0; side < decision.paths.size() && side < 2; ++side) {
            frame.OpenPath(decision.paths[side]);
            frame.AddPathToCombo(decision.paths[side], static_cast<int>(side));
        }
    }
    frame.setWindowTitle(frame.TitleText());
    frame.show();
    frame.repaint();
    return QApplication::exec();
}

}  // namespace quillon
