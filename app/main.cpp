#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/BackupsRun.h"
#include "app/CommandLine.h"
#include "app/CopyDiffRun.h"
#include "app/DisplayStart.h"
#include "app/PdfRun.h"
#include "app/PrintPdfRun.h"
#include "app/RenameRun.h"
#include "app/RenameStart.h"
#include "app/ReportRun.h"
#include "app/ShellRun.h"
#include "app/StartUp.h"
#include "app/Usage.h"
#include "app/WindowStart.h"
#include "platform/Launcher.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "ui/CMessageBoxDialog.h"

int main(int argc, char** argv) {
    // Taken before QApplication, which removes the arguments it knows from argv.
    std::vector<std::string> args(argv + 1, argv + argc);
    quillon::CommandLine cmd = quillon::ParseCommandLine(args);
    quillon::MakePathsAbsolute(cmd, quillon::CurrentFolder());
    quillon::StartDecision decision = quillon::DecideStart(cmd, quillon::ProbePath);
    if (decision.outcome == quillon::StartOutcome::Help ||
        decision.outcome == quillon::StartOutcome::Version) {
        return quillon::PrintInfo(decision.outcome == quillon::StartOutcome::Help, stdout);
    }
    if (decision.outcome == quillon::StartOutcome::Backups) {
        // Before the settings store: recovery reads and writes no setting.
        return quillon::RunBackups(cmd, stdout, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Register ||
        decision.outcome == quillon::StartOutcome::Unregister) {
        // No toolkit at all: an installer runs this where there may be no display.
        return quillon::RunShellRegistration(decision.outcome == quillon::StartOutcome::Register,
                                             quillon::RegistryStore::Process(), stderr);
    }
    quillon::SettingsStore settings(quillon::RegistryStore::Process());
    // The windowless runs show their progress only to a terminal.
    quillon::TerminalProgressFactory terminalProgress(stderr);
    quillon::ProgressFactory* const progress =
        isatty(STDERR_FILENO) != 0 ? &terminalProgress : nullptr;
    // The runs that open windows: without a display, one line and no toolkit.
    auto withWindows = [&argc, argv](auto run) -> int {
        if (!quillon::DisplayAvailable()) {
            std::fprintf(stderr, "quillon: %s\n", quillon::kNoDisplayMessage);
            return quillon::kExitNoDisplay;
        }
        std::unique_ptr<QApplication> app = quillon::StartApplication(argc, argv);
        return run();
    };
    if (decision.outcome == quillon::StartOutcome::Config) {
        return quillon::RunShellConfig(argc, argv, cmd.cmdArgs, settings, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Report) {
        // No QApplication here: a report needs no display.
        return quillon::RunReport(cmd, settings, progress, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Rename && quillon::IsUnattendedRename(cmd)) {
        // No QApplication and no log: nothing is shown and no setting is written.
        return quillon::RunRename(cmd, settings, stdout, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Pdf && cmd.pdfOut) {
        // Like a report, the scripted binder needs no display.
        return quillon::RunPdf(cmd, settings, progress, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Pdf) {
        return withWindows([&] {
            quillon::MessageBoxPrompter prompter(nullptr, &settings);
            return quillon::RunPdfDialog(decision.paths, settings, prompter);
        });
    }
    if (decision.outcome == quillon::StartOutcome::PrintPdf) {
        // Fonts need a GUI application, but no display: the pages are drawn offscreen.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Standard error carries only the run's own problems; Qt's notes go to the log.
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            quillon::Log("Qt: %s", text.toUtf8().constData());
        });
        QGuiApplication app(argc, argv);
        return quillon::RunPrintPdf(cmd, settings, progress, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::CopyDiff) {
        return quillon::RunCopyDiff(cmd, settings, progress, stdout, stderr);
    }
    if (decision.outcome == quillon::StartOutcome::Window) {
        return withWindows([&] { return quillon::RunWindow(cmd, decision, settings); });
    }
    if (decision.outcome == quillon::StartOutcome::Rename) {
        return withWindows([&] { return quillon::RunRenameWizard(cmd, decision, settings); });
    }
    std::unique_ptr<quillon::Prompter> prompter;
    if (quillon::DisplayAvailable()) {
        prompter = std::make_unique<quillon::DisplayPrompter>(argc, argv, &settings);
    } else {
        prompter = std::make_unique<quillon::StderrPrompter>(stderr);
    }
    quillon::FileLauncher launchFiles = quillon::MakeSiblingFileLauncher(
        quillon::RegistryStore::Process(), *prompter, quillon::DefaultLauncher());
    return quillon::RunStart(cmd, decision, settings, stderr, launchFiles);
}
