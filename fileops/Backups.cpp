#include "fileops/Backups.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "base/PathUtil.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/FileSystem.h"

namespace quillon {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A copy's temporary: the marker, "<pid>-<serial>", "$" and the name it was to take.
std::optional<FoundBackup> ParseTemporary(std::string_view name) {
    if (!name.starts_with(kTempMarker)) {
        return std::nullopt;
    }
    const std::string_view rest = name.substr(kTempMarker.size());
    const size_t dash = rest.find('-');
    const size_t dollar = rest.find('$');
    if (dash == std::string_view::npos || dollar == std::string_view::npos || dash > dollar ||
        !AllDigits(rest.substr(0, dash)) || !AllDigits(rest.substr(dash + 1, dollar - dash - 1)) ||
        dollar + 1 == rest.size()) {
        return std::nullopt;
    }
    FoundBackup found;
    found.temporary = true;
    found.runTag = kTempRunTag;
    found.number = rest.substr(0, dollar);
    found.original = rest.substr(dollar + 1);
    return found;
}

std::optional<FoundBackup> ParseEntry(std::string_view name) {
    if (auto temporary = ParseTemporary(name)) {
        return temporary;
    }
    const std::optional<BackupNameParts> parts = ParseBackupName(name);
    if (!parts) {
        return std::nullopt;
    }
    FoundBackup found;
    found.runTag = parts->runTag;
    found.opNumber = parts->opNumber;
    char number[16];
    std::snprintf(number, sizeof number, "%.4d", parts->opNumber);
    found.number = number;
    found.original = parts->original;
    return found;
}

// The bytes of the files below an open folder; what cannot be read counts nothing, as the size
// is only shown.
uint64_t TreeSize(FileSystem& fs, int folder, dev_t device) {
    std::vector<std::string> names;
    ListNames(fs, folder, names);
    uint64_t total = 0;
    for (const std::string& name : names) {
        struct stat st {};
        if (fs.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
            continue;
        }
        int fd = -1;
        if (S_ISREG(st.st_mode)) {
            total += static_cast<uint64_t>(st.st_size);
        } else if (S_ISDIR(st.st_mode) && st.st_dev == device &&
                   fs.Open(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) == 0) {
            const FsHandle sub(fs, fd);
            total += TreeSize(fs, sub.Get(), device);
        }
    }
    return total;
}

class BackupWalk {
  public:
    BackupWalk(FileSystem& fs, std::string_view runTag, BackupScan& scan, dev_t device)
        : fs_(fs), runTag_(runTag), scan_(scan), device_(device) {}

    void Folder(int folder, const std::string& path) {
        std::vector<std::string> names;
        if (const int error = ListNames(fs_, folder, names); error != 0) {
            Problem(path, error);
            return;
        }
        for (const std::string& name : names) {
            const std::string full = JoinPath(path, name);
            struct stat st {};
            if (const int error = fs_.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, st);
                error != 0) {
                Problem(full, error);
                continue;
            }
            // A mount point is another file system: neither entered nor taken, whatever its name.
            if (st.st_dev != device_) {
                continue;
            }
            if (std::optional<FoundBackup> found = ParseEntry(name)) {
                // A backup is one item: what lies inside it goes back with it.
                if (runTag_.empty() || found->runTag == runTag_) {
                    Add(folder, name, st, path, std::move(*found));
                }
                continue;
            }
            int fd = -1;
            if (!S_ISDIR(st.st_mode)) {
                continue;
            }
            if (const int error =
                    fs_.Open(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd);
                error != 0) {
                Problem(full, error);
                continue;
            }
            const FsHandle sub(fs_, fd);
            Folder(sub.Get(), full);
        }
    }

  private:
    void Problem(const std::string& path, int error) {
        scan_.problems.push_back("cannot read " + path + ": " + std::strerror(error));
    }
    void Add(int folder, const std::string& name, const struct stat& st, const std::string& path,
             FoundBackup found) {
        found.path = JoinPath(path, name);
        found.original = JoinPath(path, found.original);
        found.folder = S_ISDIR(st.st_mode);
        found.size = found.folder ? 0 : static_cast<uint64_t>(st.st_size);
        found.modified = st.st_mtim;
        found.changed = st.st_ctim;
        int fd = -1;
        if (found.folder &&
            fs_.Open(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) == 0) {
            const FsHandle sub(fs_, fd);
            found.size = TreeSize(fs_, sub.Get(), device_);
        }
        scan_.backups.push_back(std::move(found));
    }

    FileSystem& fs_;
    std::string_view runTag_;
    BackupScan& scan_;
    dev_t device_;
};

bool Before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

// Within one run the operation numbers say which came later; between runs the tag's digits have
// no year, so the moment each backup was made decides.
bool Newer(const FoundBackup& a, const FoundBackup& b) {
    if (a.runTag == b.runTag) {
        return a.opNumber > b.opNumber;
    }
    if (Before(b.changed, a.changed) || Before(a.changed, b.changed)) {
        return Before(b.changed, a.changed);
    }
    return a.runTag > b.runTag;
}

}  // namespace

int FindBackups(FileSystem& fs, const std::string& root, std::string_view runTag,
                BackupScan& scan) {
    int fd = -1;
    if (const int error = fs.Open(AT_FDCWD, root.c_str(), O_RDONLY | O_DIRECTORY, 0, fd);
        error != 0) {
        return error;
    }
    const FsHandle folder(fs, fd);
    struct stat st {};
    if (const int error = fs.Fstat(fd, st); error != 0) {
        return error;
    }
    BackupWalk(fs, runTag, scan, st.st_dev).Folder(fd, root);
    return 0;
}

std::string BackupLine(const FoundBackup& backup) {
    struct tm utc {};
    const time_t seconds = backup.modified.tv_sec;
    gmtime_r(&seconds, &utc);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return backup.runTag + "\t" + backup.number + "\t" + std::to_string(backup.size) + "\t" + when +
           "\t" + backup.path + "\t" + backup.original;
}

std::vector<const FoundBackup*> RestoreBackups(FileSystem& fs,
                                               const std::vector<FoundBackup>& found,
                                               std::vector<std::string>& problems) {
    std::map<std::string, const FoundBackup*> newest;
    for (const FoundBackup& backup : found) {
        if (backup.temporary) {
            continue;
        }
        const FoundBackup*& best = newest[backup.original];
        if (best == nullptr || Newer(backup, *best)) {
            best = &backup;
        }
    }
    std::vector<const FoundBackup*> restored;
    for (const FoundBackup& backup : found) {
        if (backup.temporary) {
            continue;
        }
        const FoundBackup* best = newest[backup.original];
        if (best != &backup) {
            problems.push_back(backup.path + ": not restored, the newer backup " + best->path +
                               " is the one for " + backup.original);
            continue;
        }
        if (const int error = MoveNoReplace(fs, backup.path, backup.original); error == EEXIST) {
            problems.push_back(backup.path + ": not restored, " + backup.original + " is in use");
        } else if (error != 0) {
            problems.push_back(backup.path + ": not restored: " + std::strerror(error));
        } else {
            restored.push_back(&backup);
        }
    }
    return restored;
}

void PurgeBackups(FileSystem& fs, const std::vector<FoundBackup>& found,
                  std::vector<std::string>& problems) {
    for (const FoundBackup& backup : found) {
        const bool gone =
            backup.folder ? DeleteFolderTree(fs, backup.path) : DeleteFileForced(fs, backup.path);
        if (!gone) {
            problems.push_back(backup.path + ": cannot be deleted");
        }
    }
}

}  // namespace quillon
