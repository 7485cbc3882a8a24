#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ReportRun.h"
#include "app/StartUp.h"
#include "app/WindowStart.h"
#include "platform/Launcher.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"

int main(int argc, char** argv) {
    // Taken before QApplication, which removes the arguments it knows from argv.
    std::vector<std::string> args(argv + 1, argv + argc);
    quillon::CommandLine cmd = quillon::ParseCommandLine(args);
    quillon::SettingsStore settings(quillon::RegistryStore::Process());
    quillon::StartDecision decision = quillon::DecideStart(cmd, quillon::ProbePath);
    if (decision.outcome == quillon::StartOutcome::Report) {
        // No QApplication here: a report needs no display.
        bool terminal = isatty(STDERR_FILENO) != 0;
        quillon::TerminalProgressFactory progress(stderr);
        return quillon::RunReport(cmd, settings, terminal ? &progress : nullptr, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Window) {
        QApplication app(argc, argv);
        return quillon::RunWindow(cmd, decision, settings);
    }
    quillon::StderrPrompter prompter(stderr);
    quillon::FileLauncher launchFiles = quillon::MakeSiblingFileLauncher(
        quillon::RegistryStore::Process(), prompter, quillon::DefaultLauncher());
    return quillon::RunStart(cmd, decision, settings, stderr, launchFiles);
}
