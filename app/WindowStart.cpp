#include "app/WindowStart.h"

#include <QApplication>

#include "core/DisplayFilter.h"
#include "platform/Log.h"
#include "ui/CQuillonView.h"

namespace quillon {

std::unique_ptr<CMainFrame> OpenWindow(const CommandLine& cmd, const StartDecision& decision,
                                       SettingsStore& settings, const FrameServices& services) {
    auto frame = std::make_unique<CMainFrame>(&settings, services);
    // The log exists only once the view is created.
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    FilterState filter = StartupFilterState(settings);
    ApplyFilterOption(cmd, filter);
    frame->SetFilterState(filter);
    frame->ShowWithSavedPlacement(kShowNormal);
    if (!decision.paths.empty() && ProbePath(decision.paths[0]).kind == PathKind::Folder) {
        for (size_t side = 0; side < decision.paths.size() && side < 2; ++side) {
            frame->OpenPath(decision.paths[side]);
            frame->AddPathToCombo(decision.paths[side], static_cast<int>(side));
        }
    }
    frame->setWindowTitle(frame->TitleText());
    frame->show();
    frame->repaint();
    return frame;
}

int RunWindow(const CommandLine& cmd, const StartDecision& decision, SettingsStore& settings) {
    std::unique_ptr<CMainFrame> frame = OpenWindow(cmd, decision, settings);
    return QApplication::exec();
}

}  // namespace quillon
