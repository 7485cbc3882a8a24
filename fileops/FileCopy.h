// Copies that never destroy what they replace before the new data is safe: a file is written
// aside in its destination folder, synced and then renamed over the old one; folder trees are
// walked through O_NOFOLLOW handles and never leave the source's file system.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon {

class ProgressSink;
class UndoJournal;

// How a folder copy groups its files, across the folders of the tree: their data is written into
// temporaries first, made durable together, then put into place, then each folder that changed
// is synced once. A batch ends at `files` files (or folders) or `bytes` bytes, whichever comes
// first; its temporaries stay open until then, so `files` bounds the descriptors a copy holds
// (it is capped further by the process's limit).
struct CopyBatch {
    size_t files = 1024;
    uint64_t bytes = uint64_t{64} << 20;
    // One syncfs of the destination's file system before the per-file fsyncs: the device then
    // gets the whole batch at once, and the fsyncs that follow only confirm each file.
    bool syncFileSystem = true;
};

// What an operation works with: the disk, the journal (null when undo is off), the progress
// window (null when none is shown) and the failure report collected for the user.
struct FileOpsContext {
    explicit FileOpsContext(FileSystem& fs, UndoJournal* journal = nullptr)
        : fs(fs), journal(journal) {}

    FileSystem& fs;
    UndoJournal* journal = nullptr;
    ProgressSink* progress = nullptr;
    CopyBatch batch;
    std::string report;
};

// Results of CopyFolderTree.
inline constexpr int kTreeCopiedAll = 1;
inline constexpr int kTreeCopiedSome = 0;
inline constexpr int kTreeCopiedNone = -1;
inline constexpr int kTreeCancelled = -99;

// Temporaries of a copy begin with "$diffundo" (so every scan skips them) followed by this
// marker, which no backup name has there (backups carry digits), so a leftover of a crash is
// never taken for a backup.
inline constexpr std::string_view kTempMarker = "$diffundo~part";

// The names of an open folder other than "." and "..", sorted so that every run walks a tree in
// the same order. 0 or the errno.
int ListNames(FileSystem& fs, int folder, std::vector<std::string>& names);

// lstat succeeds, or fails only for lack of permission.
bool PathExistsLoose(FileSystem& fs, const std::string& path);
// The same file or folder, by device and inode (links followed).
bool SameFile(const struct stat& a, const struct stat& b);

// Creates `path` and any missing folder above it. 0 or the errno.
int MakeFolderChain(FileSystem& fs, const std::string& path);

// Copies the regular file `source` to `destination`, creating the destination's folder chain,
// replacing what is there only by a rename of the complete, synced copy. Mode and modification
// time follow the source. 0 or the errno; a source changed during the copy fails with EAGAIN,
// the same file at both paths with EINVAL.
int CopyFileCreatingParent(FileOpsContext& ctx, const std::string& source,
                           const std::string& destination);

// Single files bound for many folders, copied in groups: each file is staged at once in a
// temporary of its destination folder (whose chain is created); Flush syncs each copy that
// replaces a file, puts every copy in place (a new name by a link, a taken one by a rename of the
// synced copy) and then writes the whole group back in one sync. What is at a destination is
// replaced only by that rename.
class FileCopyGroup {
  public:
    explicit FileCopyGroup(FileOpsContext& ctx);
    // Puts what is still staged into place; its results are lost, so callers Flush first.
    ~FileCopyGroup();
    FileCopyGroup(const FileCopyGroup&) = delete;
    FileCopyGroup& operator=(const FileCopyGroup&) = delete;

    // Stages the regular file `source` (a link there is followed) for `destination`. 0 when
    // staged, its result then coming from Flush under `tag`; else the errno, nothing staged.
    int Add(const std::string& source, const std::string& destination, size_t tag);
    // The group has reached the limits of ctx.batch and should be flushed.
    bool Full() const;
    // Places the staged files: (tag, 0 or the errno) for each one staged since the last Flush.
    std::vector<std::pair<size_t, int>> Flush();

  private:
    struct Impl;
    Impl* impl_;
};

// A link made at `destination` with the target of the link `source`, replacing what is there.
int CopyLink(FileSystem& fs, const std::string& source, const std::string& destination);
// Moves a file or a link (never what it points to): one rename when it can be, else, across file
// systems, a copy that is checked before the source is removed. Replaces what is at
// `destination` (the caller asked, and backed it up first when the journal is on).
int MoveFileOrLink(FileOpsContext& ctx, const std::string& source, const std::string& destination);

// Copies (or, with `move`, moves entry by entry) the folder tree `source` into `destination`,
// merging with what is there. Links are recreated as links, special files and other file
// systems are skipped and listed in the report, names beginning with "$diff" are skipped with
// `skipBackups`. A moved entry leaves its source only after its own copy succeeded.
// kTreeCopiedAll, kTreeCopiedSome, kTreeCopiedNone or kTreeCancelled; `failures` counts the
// entries that failed (not the ones skipped by rule).
int CopyFolderTree(FileOpsContext& ctx, const std::string& source, const std::string& destination,
                   bool skipBackups, bool move = false, int* failures = nullptr);

// True when nothing is left at `path` (an empty path counts).
bool DeleteFileForced(FileSystem& fs, const std::string& path);
bool DeleteFolderTree(FileSystem& fs, const std::string& path);

}  // namespace quillon
