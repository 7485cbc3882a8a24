#include "app/WindowStart.h"

#include <QApplication>

#include "platform/Log.h"
#include "ui/CQuillonView.h"

namespace quillon {

std::unique_ptr<CMainFrame> OpenWindow(CQuillonApp& app, const CommandLine& cmd,
                                       const StartDecision& decision, SettingsStore& settings,
                                       const FrameServices& services) {
    app.StartRun();
    app.TakeFilter(cmd);
    auto frame = std::make_unique<CMainFrame>(&settings, services);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    frame->SetFilterState(app.Filter());
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
    CQuillonApp app(settings);
    std::unique_ptr<CMainFrame> frame = OpenWindow(app, cmd, decision, settings);
    return QApplication::exec();
}

}  // namespace quillon
