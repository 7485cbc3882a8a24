#include "app/BackupsRun.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/HeadlessRun.h"
#include "fileops/Backups.h"
#include "platform/FileSystem.h"

namespace quillon {

namespace {

int Trouble(FILE* err, const std::string& reason) {
    return ReportTrouble(err, reason);
}

bool PrintLines(FILE* out, const std::vector<const FoundBackup*>& backups) {
    for (const FoundBackup* backup : backups) {
        if (std::fprintf(out, "%s\n", BackupLine(*backup).c_str()) < 0) {
            return false;
        }
    }
    return std::fflush(out) == 0;
}

}  // namespace

int RunBackups(const CommandLine& cmd, FILE* out, FILE* err) {
    if (!cmd.error.empty()) {
        return Trouble(err, cmd.error);
    }
    if (cmd.paths.size() != 1) {
        return Trouble(err, "-Backups needs one folder: quillon -Backups:List FOLDER");
    }
    const std::string& folder = cmd.paths[0];
    FileSystem& fs = RealFileSystem();
    BackupScan scan;
    if (const int error = FindBackups(fs, folder, cmd.backups.runTag, scan); error != 0) {
        return Trouble(err, "not a folder: " + folder + ": " + std::strerror(error));
    }
    std::vector<const FoundBackup*> shown;
    std::vector<std::string>& problems = scan.problems;
    if (cmd.backups.mode == BackupsMode::Restore) {
        shown = RestoreBackups(fs, scan.backups, problems);
    } else {
        for (const FoundBackup& backup : scan.backups) {
            shown.push_back(&backup);
        }
    }
    // What a purge deletes is on record before the first of it goes.
    if (!PrintLines(out, shown)) {
        return Trouble(err, "cannot write to standard output");
    }
    if (cmd.backups.mode == BackupsMode::Purge) {
        PurgeBackups(fs, scan.backups, problems);
    }
    for (const std::string& problem : problems) {
        std::fprintf(err, "quillon: %s\n", problem.c_str());
    }
    return problems.empty() ? kBackupsExitDone : kBackupsExitSkipped;
}

}  // namespace quillon
