// The crash-recovery run: lists, restores or purges the backups below one folder, without any
// window, setting or log.
#pragma once

#include <cstdio>

#include "app/CommandLine.h"

namespace quillon {

inline constexpr int kBackupsExitDone = 0;
inline constexpr int kBackupsExitSkipped = 1;
inline constexpr int kBackupsExitTrouble = 2;

// One line per backup listed, restored or about to be purged goes to `out`; one line per problem
// to `err`. Returns one of the exit statuses above.
int RunBackups(const CommandLine& cmd, FILE* out, FILE* err);

}  // namespace quillon
