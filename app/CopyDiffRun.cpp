#include "app/CopyDiffRun.h"

#include <sys/stat.h>

#include <memory>

#include "app/HeadlessRun.h"
#include "app/ReportRun.h"
#include "app/StartUp.h"
#include "core/DisplayFilter.h"
#include "fileops/CopyDiffExport.h"
#include "fileops/FileCopy.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"
#include "platform/SettingsStore.h"

namespace quillon {

namespace {

int Trouble(FILE* err, const std::string& reason) {
    return ReportTrouble(err, reason, "Copy diff run");
}

const char* OutcomeWord(ExportOutcome outcome) {
    switch (outcome) {
        case ExportOutcome::kSkippedSpecial:
        case ExportOutcome::kSkippedLink:
            return "skipped";
        case ExportOutcome::kUnread:
            return "not read";
        default:
            return "not copied";
    }
}

}  // namespace

int RunCopyDiff(const CommandLine& cmd, SettingsStore& settings, ProgressFactory* progress,
                FILE* out, FILE* err) {
    FilterState filter = StartFolderPairRun(cmd, settings);
    if (!cmd.error.empty()) {
        return Trouble(err, cmd.error);
    }
    if (cmd.paths.size() != 2 || !cmd.copyDiff.outPath || cmd.copyDiff.outPath->empty()) {
        return Trouble(err,
                       "-CopyDiff needs a folder and two folders to compare: quillon "
                       "-CopyDiff:<0|1|2> -Out:<folder> LEFT RIGHT");
    }
    for (const std::string& path : cmd.paths) {
        if (!IsFolder(path)) {
            return Trouble(err, "not a folder: " + path);
        }
    }
    CopyDiffRequest request;
    request.left = cmd.paths[0];
    request.right = cmd.paths[1];
    request.destination = *cmd.copyDiff.outPath;
    request.side = cmd.copyDiff.side;
    request.options = LoadComparisonOptions(settings);
    request.filter = filter;

    FileOpsContext ctx(RealFileSystem());
    std::unique_ptr<ProgressSink> exportProgress;
    if (progress != nullptr) {
        exportProgress = progress->Open("Quillon");
        ctx.progress = exportProgress.get();
    }
    CopyDiffResult result;
    std::string why;
    const CopyDiffStatus status = RunCopyDiffExport(request, ctx, progress, result, &why);
    if (exportProgress) {
        exportProgress->Hide();
    }
    if (status != CopyDiffStatus::kDone) {
        return Trouble(err, why);
    }
    for (const ExportItemResult& item : result.items) {
        if (item.outcome == ExportOutcome::kCopied ||
            item.outcome == ExportOutcome::kLinkRecreated) {
            continue;
        }
        std::fprintf(err, "quillon: %s %s: %s\n", OutcomeWord(item.outcome), item.source.c_str(),
                     item.reason.c_str());
    }
    std::fprintf(out, "%s\n", CopyDiffSummaryText(result, request.destination).c_str());
    return result.failed + result.skipped > 0 ? kCopyDiffExitSome : kCopyDiffExitDone;
}

}  // namespace quillon
