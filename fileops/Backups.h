// Recovery after a crash: the journal lives in memory, so an abnormal end leaves its "$diffundo"
// backups (and the temporaries of copies it interrupted) on disk. These find them below a folder,
// put backups back under their original names or delete them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class FileSystem;

// The run tag shown for, and selecting, the temporaries of interrupted copies.
inline constexpr std::string_view kTempRunTag = "~part";

struct FoundBackup {
    std::string path;
    std::string original;  // the path the backup goes back to (a temporary: would have replaced)
    std::string runTag;    // kTempRunTag for a copy's temporary
    std::string number;    // the operation number as the name writes it; "<pid>-<serial>"
    int32_t opNumber = -1;
    bool temporary = false;
    bool folder = false;
    uint64_t size = 0;  // a folder: the bytes of the files below it
    struct timespec modified {};
    // When it was made: a rename sets it, and it says which of two runs' backups is newer.
    struct timespec changed {};
};

struct BackupScan {
    std::vector<FoundBackup> backups;   // in walk order: folder by folder, names sorted
    std::vector<std::string> problems;  // one line each
};

// Every backup and temporary below `root` (of `runTag` only, when not empty), never through a
// link, never onto another file system, never inside a backup. A folder that cannot be read is a
// problem: backups may hide there. 0, or the errno when `root` is no folder that can be opened.
int FindBackups(FileSystem& fs, const std::string& root, std::string_view runTag, BackupScan& scan);

// Run tag, number, size, modification time (ISO 8601, UTC), backup and original path, separated
// by tabs.
std::string BackupLine(const FoundBackup& backup);

// Moves the newest backup of each original back without ever replacing anything; the older ones,
// a name in use and a move that failed are problems, and the backup stays. Temporaries are never
// restored. The backups moved back.
std::vector<const FoundBackup*> RestoreBackups(FileSystem& fs,
                                               const std::vector<FoundBackup>& found,
                                               std::vector<std::string>& problems);

// Deletes the backups and temporaries found; a folder as a tree, never following a link. The ones
// that could not be deleted are problems.
void PurgeBackups(FileSystem& fs, const std::vector<FoundBackup>& found,
                  std::vector<std::string>& problems);

}  // namespace quillon
