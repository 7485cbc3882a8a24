#include "core/FolderScan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"

namespace quillon {

namespace {

// Large enough for a typical folder in one system call.
constexpr size_t kListingBufferSize = 32768;

bool IsIgnoredFolderName(std::string_view name) {
    return name == "." || name == ".." || name.find("$diffundo") != std::string_view::npos ||
           name.find("$farlinkbu") != std::string_view::npos;
}

void FillFromStat(FolderEntry& entry, const struct stat& st) {
    entry.isFolder = S_ISDIR(st.st_mode);
    if (!entry.isFolder && !S_ISREG(st.st_mode)) {
        entry.flags |= FolderEntry::kSpecial;
    }
    entry.size = entry.isFolder ? 0 : static_cast<uint64_t>(st.st_size);
    entry.mtime = entry.isFolder ? FolderEntry::kNoTime : static_cast<int64_t>(st.st_mtim.tv_sec);
}

}  // namespace

bool IsUndoBackupName(std::string_view name) {
    return StartsWithNoCase(name, "$diffundo");
}

bool IsSkippedContentFileName(std::string_view name) {
    return IsUndoBackupName(name) || StartsWithNoCase(name, "$farlinkfarlinkupdated");
}

bool FolderReader::Open(const std::string& path) {
    Close();
    error_ = fs_->Open(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY, 0, fd_);
    if (fd_ >= 0 && !buffer_) {
        buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kListingBufferSize);
    }
    return fd_ >= 0;
}

FolderReader::~FolderReader() {
    Close();
}

void FolderReader::Close() {
    if (fd_ >= 0) {
        fs_->Close(fd_);
        fd_ = -1;
    }
    filled_ = pos_ = 0;
}

bool FolderReader::Fill() {
    size_t got = 0;
    if (const int error = fs_->List(fd_, buffer_.get(), kListingBufferSize, got); error != 0) {
        error_ = error;
        return false;
    }
    filled_ = got;
    pos_ = 0;
    return got != 0;
}

bool FolderReader::Next(FolderEntry& entry, bool statFiles) {
    if (fd_ < 0) {
        return false;
    }
    for (;;) {
        if (pos_ >= filled_ && !Fill()) {
            return false;
        }
        const auto* d = reinterpret_cast<const struct dirent64*>(buffer_.get() + pos_);
        pos_ += d->d_reclen;
        if (d->d_name[0] == '.' && d->d_name[1] == '\0') {
            continue;
        }
        entry.name.assign(d->d_name);
        entry.flags = 0;
        entry.size = 0;
        entry.mtime = FolderEntry::kNoTime;
        entry.error = 0;
        // Only an entry that is gone since the listing is dropped: any other failure (a folder
        // that can be listed but not entered) keeps it as a file whose details are unknown.
        struct stat st {};
        int rc = 0;
        switch (d->d_type) {
            case DT_DIR:
                entry.isFolder = true;
                return true;
            case DT_REG:
                entry.isFolder = false;
                if (statFiles && (rc = fs_->Stat(fd_, d->d_name, AT_SYMLINK_NOFOLLOW, st)) == 0) {
                    FillFromStat(entry, st);
                }
                break;
            case DT_LNK:
            case DT_UNKNOWN:
                entry.isFolder = false;
                rc = fs_->Stat(fd_, d->d_name, AT_SYMLINK_NOFOLLOW, st);
                if (rc == 0 && S_ISLNK(st.st_mode)) {
                    entry.flags |= FolderEntry::kLink;
                    if (const int target = fs_->Stat(fd_, d->d_name, 0, st); target != 0) {
                        // A missing target or a loop of links is a property of the link, not a
                        // failure to read it.
                        entry.flags |= FolderEntry::kDangling;
                        const bool missing =
                            target == ENOENT || target == ENOTDIR || target == ELOOP;
                        entry.error = missing ? 0 : target;
                        return true;
                    }
                }
                if (rc == 0) {
                    const uint8_t linkFlag = entry.flags;
                    FillFromStat(entry, st);
                    entry.flags |= linkFlag;
                }
                break;
            default:
                // FIFOs, sockets and devices: stat'ing never opens them.
                entry.isFolder = false;
                entry.flags |= FolderEntry::kSpecial;
                if (statFiles && (rc = fs_->Stat(fd_, d->d_name, AT_SYMLINK_NOFOLLOW, st)) == 0) {
                    entry.size = static_cast<uint64_t>(st.st_size);
                    entry.mtime = static_cast<int64_t>(st.st_mtim.tv_sec);
                }
                break;
        }
        if (rc == ENOENT) {
            continue;
        }
        entry.error = rc;
        return true;
    }
}

bool IsContentEntry(const FolderEntry& entry) {
    return entry.isFolder ? !IsIgnoredFolderName(entry.name)
                          : !IsSkippedContentFileName(entry.name);
}

bool FolderHasContent(const std::string& path, FileSystem& fs) {
    if (IsRootPath(path)) {
        return true;
    }
    FolderReader reader(path, fs);
    if (!reader.IsOpen()) {
        return false;
    }
    FolderEntry entry;
    // Only names that one of the ignore rules could match need the entry's kind.
    while (reader.Next(entry, false)) {
        if (IsContentEntry(entry)) {
            return true;
        }
    }
    return false;
}

uint64_t FolderSizeAndCount(const std::string& path, uint64_t& counter, bool recurse,
                            bool countFolders, FileSystem& fs) {
    uint64_t total = 0;
    std::vector<std::string> subfolders;
    {
        FolderReader reader(path, fs);
        FolderEntry entry;
        while (reader.Next(entry, true)) {
            if (!entry.isFolder) {
                if (!IsSkippedContentFileName(entry.name)) {
                    total += entry.size;
                    ++counter;
                }
                continue;
            }
            if (entry.name[0] == '.') {
                continue;
            }
            if (countFolders) {
                ++counter;
            }
            if (recurse && !(entry.flags & FolderEntry::kLink)) {
                subfolders.push_back(JoinPath(path, entry.name));
            }
        }
    }
    // Each level's listing is closed before descending: a deep tree would otherwise hold one
    // descriptor per level and run out of them long before the path length limit.
    for (const std::string& sub : subfolders) {
        total += FolderSizeAndCount(sub, counter, recurse, countFolders, fs);
    }
    return total;
}

}  // namespace quillon
