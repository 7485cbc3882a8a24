#include "app/RenameStart.h"

#include <cstdio>
#include <cstring>

#include "app/StartUp.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "rename/RenameList.h"
#include "ui/CMessageBoxDialog.h"
#include "ui/CMultiRename.h"

namespace quillon {

int RunRenameWizard(const CommandLine& cmd, const StartDecision& decision,
                    SettingsStore& settings) {
    OpenStartLog(settings);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    int error = 0;
    MultiRenameSetup setup;
    setup.entries = StandAloneList(RealFileSystem(), decision.paths, &error);
    if (setup.entries.empty()) {
        const std::string why = error != 0 ? std::strerror(error) : "no file given";
        std::fprintf(stderr, "quillon: nothing to rename (%s)\n", why.c_str());
        Log("nothing to rename (%s)", why.c_str());
        return kStartExitUnavailable;
    }
    MessageBoxPrompter prompter(nullptr, &settings);
    setup.files = true;
    setup.fs = &RealFileSystem();
    setup.prompter = &prompter;
    setup.store = &settings;
    CMultiRename wizard(nullptr, std::move(setup));
    wizard.exec();
    return kStartExitOk;
}

}  // namespace quillon
