#include "app/ShellRun.h"

#include <QApplication>
#include <memory>

#include "app/DisplayStart.h"
#include "app/StartUp.h"
#include "platform/Log.h"
#include "platform/SettingsStore.h"
#include "platform/ShellIntegration.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/ShellMenu.h"

namespace quillon {

namespace {

constexpr char kConfigNeedsDisplay[] =
    "the shell-menu configuration dialog needs a display (DISPLAY or WAYLAND_DISPLAY); "
    "quillon -Reg registers without one";

}  // namespace

int RunShellRegistration(bool install, RegistryStore& registry, FILE* err) {
    ShellIntegration shell(registry, LocateShellTools(registry), DataHomeFromEnvironment());
    shell.RegisterShell(install);
    shell.RegisterFileTypes(install);
    for (const std::string& problem : shell.Problems()) {
        std::fprintf(err, "quillon: %s\n", problem.c_str());
    }
    return shell.Problems().empty() ? kStartExitOk : kStartExitUnavailable;
}

int RunShellConfig(int& argc, char** argv, const std::string& cmdArgs, SettingsStore& settings,
                   FILE* err) {
    OpenStartLog(settings);
    Log("cmd args = %s", cmdArgs.c_str());
    if (!DisplayAvailable()) {
        std::fprintf(err, "quillon: %s\n", kConfigNeedsDisplay);
        return kExitNoDisplay;
    }
    std::unique_ptr<QApplication> app = StartApplication(argc, argv);
    RegistryStore& registry = settings.Registry();
    ShellIntegration shell(registry, LocateShellTools(registry), DataHomeFromEnvironment());
    MessageBoxPrompter prompter(nullptr, &settings);
    ShellMenu dialog(nullptr, shell, registry, prompter);
    dialog.exec();
    return kStartExitOk;
}

}  // namespace quillon
