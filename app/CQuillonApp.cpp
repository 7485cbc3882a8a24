#include "app/CQuillonApp.h"

#include "app/StartUp.h"
#include "core/DisplayFilter.h"
#include "platform/FileText.h"
#include "platform/Log.h"
#include "platform/MessageBoxLogic.h"

namespace quillon {

void CQuillonApp::StartRun() {
    if (started_) {
        return;
    }
    started_ = true;
    OpenStartLog(store_);
    PruneLogs(kLogBaseName, kSideLogExtension);
    ForgetRememberedAnswers(store_);
    // Taken after the log opened, so the backups of this run carry the log file's stamp.
    runTag_ = CompactTimeStamp(true);
}

void CQuillonApp::TakeFilter(const CommandLine& cmd) {
    filter_ = StartupFilterState(store_);
    ApplyFilterOption(cmd, filter_);
}

}  // namespace quillon
