#include "app/HeadlessRun.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/StartUp.h"
#include "core/Comparison.h"
#include "core/DisplayFilter.h"
#include "platform/Log.h"

namespace quillon {

int ReportTrouble(FILE* err, std::string reason, const char* run) {
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    std::fprintf(err, "quillon: %s\n", reason.c_str());
    if (run != nullptr) {
        Log("%s: %s", run, reason.c_str());
    }
    return kExitTrouble;
}

FilterState StartFolderPairRun(const CommandLine& cmd, SettingsStore& settings) {
    OpenStartLog(settings);
    FilterState filter = StartupFilterState(settings);
    ApplyFilterOption(cmd, filter);
    Log("cmd args = %s", cmd.cmdArgs.c_str());
    return filter;
}

void LeaveToExit(std::unique_ptr<Comparison> comparison) {
#if defined(__SANITIZE_ADDRESS__)
    comparison.reset();
#else
    static_cast<void>(comparison.release());
#endif
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quillon
