#include "fileops/FileCopy.h"

#include <dirent.h>
#include <linux/fs.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <unordered_map>
#include <vector>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"

namespace quillon {

namespace {

constexpr size_t kListingBufferSize = 32768;
constexpr size_t kCopyBufferSize = 1 << 17;
constexpr size_t kCopyRangeChunk = size_t{1} << 30;

}  // namespace

int ListNames(FileSystem& fs, int folder, std::vector<std::string>& names) {
    auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kListingBufferSize);
    for (;;) {
        size_t got = 0;
        if (const int error = fs.List(folder, buffer.get(), kListingBufferSize, got); error != 0) {
            return error;
        }
        if (got == 0) {
            break;
        }
        for (size_t pos = 0; pos < got;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + pos);
            pos += d->d_reclen;
            const std::string_view name(d->d_name);
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
        }
    }
    std::sort(names.begin(), names.end());
    return 0;
}

namespace {

std::string TempName(std::string_view name) {
    static std::atomic<unsigned> serial{0};
    return std::string(kTempMarker) + std::to_string(getpid()) + "-" + std::to_string(++serial) +
           "$" + std::string(name);
}

// Copy methods a file system may lack; the next one is tried instead.
bool Unsupported(int error) {
    return error == EOPNOTSUPP || error == ENOTTY || error == EXDEV || error == EINVAL ||
           error == ENOSYS || error == EPERM;
}

// The bytes from the offset of `from` up to `end` appended at the offset of `to`.
int CopyExtent(FileSystem& fs, int from, int to, off_t end, off_t at) {
    std::unique_ptr<char[]> buffer;
    while (at < end) {
        const size_t want = static_cast<size_t>(std::min<off_t>(end - at, off_t{kCopyRangeChunk}));
        size_t copied = 0;
        int error = buffer ? EOPNOTSUPP : fs.CopyRange(from, to, want, copied);
        if (error != 0 && Unsupported(error)) {
            if (!buffer) {
                buffer = std::make_unique_for_overwrite<char[]>(kCopyBufferSize);
            }
            error = fs.Read(from, buffer.get(), std::min(want, kCopyBufferSize), copied);
            for (size_t done = 0; error == 0 && done < copied;) {
                size_t written = 0;
                error = fs.Write(to, buffer.get() + done, copied - done, written);
                done += written;
            }
        }
        if (error != 0) {
            return error;
        }
        if (copied == 0) {
            return EAGAIN;  // the file got shorter while it was read
        }
        at += static_cast<off_t>(copied);
    }
    return 0;
}

// A sparse file copied extent by extent, so that its holes stay holes (a plain range copy
// writes them out as zeros). ENOTSUP when the file system cannot tell data from holes.
int CopySparse(FileSystem& fs, int from, int to, off_t size) {
    off_t at = 0;
    while (at < size) {
        off_t data = 0;
        off_t hole = 0;
        int error = fs.Seek(from, at, SEEK_DATA, data);
        if (error == ENXIO) {
            break;  // only a hole is left
        }
        if (error == 0) {
            error = fs.Seek(from, data, SEEK_HOLE, hole);
        }
        off_t ignored = 0;
        if (error == 0 && (error = fs.Seek(from, data, SEEK_SET, ignored)) == 0) {
            error = fs.Seek(to, data, SEEK_SET, ignored);
        }
        if (error != 0) {
            return error == EINVAL ? ENOTSUP : error;
        }
        if ((error = CopyExtent(fs, from, to, std::min(hole, size), data)) != 0) {
            return error;
        }
        at = std::min(hole, size);
    }
    // A hole at the end still counts in the size: its last byte is written.
    off_t end = 0;
    if (const int error = fs.Seek(to, 0, SEEK_END, end); error != 0 || end >= size) {
        return error;
    }
    off_t ignored = 0;
    size_t written = 0;
    const char zero = 0;
    int error = fs.Seek(to, size - 1, SEEK_SET, ignored);
    return error != 0 ? error : fs.Write(to, &zero, 1, written);
}

int CopyData(FileSystem& fs, int from, int to, off_t size, bool sparse) {
    if (size == 0) {
        return 0;
    }
    int error = fs.Clone(to, from);
    if (error == 0 || !Unsupported(error)) {
        return error;
    }
    if (sparse && (error = CopySparse(fs, from, to, size)) != ENOTSUP) {
        return error;
    }
    for (;;) {
        size_t copied = 0;
        error = fs.CopyRange(from, to, kCopyRangeChunk, copied);
        if (error != 0) {
            break;
        }
        if (copied == 0) {
            return 0;
        }
    }
    if (!Unsupported(error)) {
        return error;
    }
    // Both offsets stand where the ranges left them, so plain reads carry on from there.
    auto buffer = std::make_unique_for_overwrite<char[]>(kCopyBufferSize);
    for (;;) {
        size_t got = 0;
        if ((error = fs.Read(from, buffer.get(), kCopyBufferSize, got)) != 0 || got == 0) {
            return error;
        }
        for (size_t done = 0; done < got;) {
            size_t written = 0;
            if ((error = fs.Write(to, buffer.get() + done, got - done, written)) != 0) {
                return error;
            }
            done += written;
        }
    }
}

bool Changed(const struct stat& before, const struct stat& after) {
    return before.st_size != after.st_size || before.st_mtim.tv_sec != after.st_mtim.tv_sec ||
           before.st_mtim.tv_nsec != after.st_mtim.tv_nsec ||
           before.st_ctim.tv_sec != after.st_ctim.tv_sec ||
           before.st_ctim.tv_nsec != after.st_ctim.tv_nsec;
}

// Names the anonymous file `fd` as `name` in `folder`; EEXIST when the name is taken.
int LinkAnonymous(FileSystem& fs, int fd, int folder, const std::string& name) {
    int error = fs.Link(fd, "", folder, name.c_str(), AT_EMPTY_PATH);
    if (error == ENOENT || error == EPERM) {
        // Naming a descriptor directly needs a capability; its /proc entry does not.
        const std::string proc = "/proc/self/fd/" + std::to_string(fd);
        error = fs.Link(AT_FDCWD, proc.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW);
    }
    return error;
}

// A file copied into a temporary of its destination folder: complete, but neither durable nor
// in place yet.
struct StagedCopy {
    FsHandle file;
    std::string name;       // where it goes
    std::string tempName;   // empty while the temporary is anonymous (O_TMPFILE)
    std::string from;       // the source's path, for the report
    off_t size = 0;         // the data written, which for a sparse file is far less than its size
    size_t folder = 0;      // in the batch's folders
    bool replaces = false;  // something was at `name` when the copy was staged
    bool synced = false;    // the copy's own fsync returned
};

// Drops a staged copy that will not be put into place.
void Discard(FileSystem& fs, int folder, StagedCopy& staged) {
    if (!staged.tempName.empty()) {
        fs.Unlink(folder, staged.tempName.c_str());
        staged.tempName.clear();
    }
    staged.file.Reset();
}

// The file `sourceName` of `sourceFolder` copied into a temporary of `folder`, bound for `name`,
// with the source's mode and times. A source whose size, modification or change time moved
// while it was read fails with EAGAIN: what was read is then no single version of it. Nothing
// at `name` is touched.
int Stage(FileSystem& fs, int sourceFolder, const char* sourceName, int folder,
          const std::string& name, bool followLink, StagedCopy& staged) {
    int fd = -1;
    // O_NONBLOCK: opening a FIFO that slipped in since the type was read must not hang.
    const int openFlags = O_RDONLY | O_NOCTTY | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW);
    if (const int error = fs.Open(sourceFolder, sourceName, openFlags, 0, fd); error != 0) {
        return error;
    }
    const FsHandle source(fs, fd);
    struct stat before {};
    if (const int error = fs.Fstat(fd, before); error != 0) {
        return error;
    }
    if (!S_ISREG(before.st_mode)) {
        return EINVAL;
    }
    struct stat existing {};
    const int missing = fs.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, existing);
    staged.replaces = missing != ENOENT;
    if (missing == 0 && fs.Stat(folder, name.c_str(), 0, existing) == 0 &&
        SameFile(existing, before)) {
        return EINVAL;
    }
    // Fewer blocks than the size needs: the file has holes worth keeping, and only its data
    // takes room.
    const bool sparse = before.st_blocks * 512 < before.st_size;
    staged.size = sparse ? before.st_blocks * 512 : before.st_size;
    uint64_t space = 0;
    if (fs.FreeSpace(folder, space) == 0 && space < static_cast<uint64_t>(staged.size)) {
        return ENOSPC;
    }
    int tmp = -1;
    staged.name = name;
    int error = fs.Open(folder, ".", O_TMPFILE | O_WRONLY, 0600, tmp);
    if (error == EOPNOTSUPP || error == EISDIR) {
        staged.tempName = TempName(name);
        error = fs.Open(folder, staged.tempName.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW,
                        0600, tmp);
        if (error != 0) {
            staged.tempName.clear();
        }
    }
    if (error != 0) {
        return error;
    }
    staged.file = FsHandle(fs, tmp);
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    struct stat after {};
    if ((error = CopyData(fs, fd, tmp, before.st_size, sparse)) == 0 &&
        (error = fs.SetMode(tmp, before.st_mode & 07777)) == 0 &&
        (error = fs.SetTimes(tmp, nullptr, times, 0)) == 0 && (error = fs.Fstat(fd, after)) == 0 &&
        Changed(before, after)) {
        Log("%s changed while it was copied", sourceName);
        error = EAGAIN;
    }
    if (error != 0) {
        Discard(fs, folder, staged);
    }
    return error;
}

// Puts the copy `staged` in place at its name, replacing what is there on purpose (a backup, if
// wanted, was made before). A copy that replaces a file is made durable first, if it is not yet,
// so that no crash can leave the name with neither the old bytes nor the new.
int Place(FileSystem& fs, int folder, StagedCopy& staged) {
    int error = 0;
    if (staged.tempName.empty()) {
        error = LinkAnonymous(fs, staged.file.Get(), folder, staged.name);
        if (error != EEXIST) {
            staged.file.Reset();
            return error;
        }
        if (!staged.synced && (error = fs.Sync(staged.file.Get())) != 0) {
            staged.file.Reset();
            return error;
        }
        const std::string tempName = TempName(staged.name);
        if ((error = LinkAnonymous(fs, staged.file.Get(), folder, tempName)) != 0) {
            staged.file.Reset();
            return error;
        }
        staged.tempName = tempName;
    }
    error = fs.Rename(folder, staged.tempName.c_str(), folder, staged.name.c_str(), 0);
    if (error == 0) {
        staged.tempName.clear();
    }
    Discard(fs, folder, staged);
    return error;
}

// The file `sourceName` of `sourceFolder` copied to `name` in `folder`. Whatever is at `name` is
// replaced only by the rename of the finished, synced copy.
int CopyFileAt(FileSystem& fs, int sourceFolder, const char* sourceName, int folder,
               const std::string& name, bool followLink) {
    StagedCopy staged;
    int error = Stage(fs, sourceFolder, sourceName, folder, name, followLink, staged);
    if (error == 0 && (error = fs.Sync(staged.file.Get())) != 0) {
        Discard(fs, folder, staged);
    }
    staged.synced = error == 0;
    if (error == 0) {
        error = Place(fs, folder, staged);
    }
    if (error != 0) {
        return error;
    }
    // The copy is in place whatever this says; an item that failed here would leave its backup
    // unrecorded.
    if ((error = fs.Sync(folder)) != 0) {
        LogError(error, "Cannot sync the folder of %s", name.c_str());
    }
    return 0;
}

// A link recreated with the same target, replacing what is at `name`.
int CopyLinkAt(FileSystem& fs, int sourceFolder, const char* sourceName, int folder,
               const std::string& name) {
    std::string target;
    int error = fs.ReadLink(sourceFolder, sourceName, target);
    if (error != 0) {
        return error;
    }
    error = fs.MakeLink(target.c_str(), folder, name.c_str());
    if (error != EEXIST) {
        return error;
    }
    const std::string tempName = TempName(name);
    if ((error = fs.MakeLink(target.c_str(), folder, tempName.c_str())) == 0 &&
        (error = fs.Rename(folder, tempName.c_str(), folder, name.c_str(), 0)) != 0) {
        fs.Unlink(folder, tempName.c_str());
    }
    return error;
}

// Moves a file or a link: one rename when possible; across file systems a copy that is checked
// before the source goes.
int MoveEntryAt(FileSystem& fs, int sourceFolder, const char* sourceName, int folder,
                const std::string& name, bool isLink) {
    int error = fs.Rename(sourceFolder, sourceName, folder, name.c_str(), RENAME_NOREPLACE);
    if (error == EEXIST) {
        error = fs.Rename(sourceFolder, sourceName, folder, name.c_str(), 0);
    } else if (error == EINVAL) {
        if ((error = fs.Link(sourceFolder, sourceName, folder, name.c_str(), 0)) == 0 &&
            (error = fs.Unlink(sourceFolder, sourceName)) != 0) {
            fs.Unlink(folder, name.c_str());
        }
    }
    if (error != EXDEV) {
        return error;
    }
    struct stat source {};
    if ((error = fs.Stat(sourceFolder, sourceName, AT_SYMLINK_NOFOLLOW, source)) != 0) {
        return error;
    }
    error = isLink ? CopyLinkAt(fs, sourceFolder, sourceName, folder, name)
                   : CopyFileAt(fs, sourceFolder, sourceName, folder, name, false);
    struct stat copy {};
    if (error == 0 && (error = fs.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, copy)) == 0) {
        error = copy.st_size == source.st_size ? fs.Unlink(sourceFolder, sourceName) : EIO;
    }
    return error;
}

// A batch holds a descriptor for each of its files and some for its folders: at most a quarter
// of what the process may open, so the rest of the program never runs short.
size_t BatchFiles(size_t wanted) {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        wanted = std::min<size_t>(wanted, limit.rlim_cur / 4);
    }
    return std::max<size_t>(wanted, 1);
}

int OpenFolder(FileSystem& fs, const std::string& path, FsHandle& handle, struct stat& st) {
    int fd = -1;
    if (const int error = fs.Open(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY, 0, fd);
        error != 0) {
        return error;
    }
    handle = FsHandle(fs, fd);
    return fs.Fstat(fd, st);
}

class TreeCopy {
  public:
    TreeCopy(FileOpsContext& ctx, bool skipBackups, bool move)
        : ctx_(ctx),
          fs_(ctx.fs),
          skipBackups_(skipBackups),
          move_(move),
          batchFiles_(BatchFiles(ctx.batch.files)) {}

    // Copies the entries of `source` into `destination`; true when every entry got there (and,
    // for a move, left its source).
    bool Walk(int source, const std::string& sourcePath, int destination,
              const std::string& destinationPath);
    int Result() const {
        if (cancelled_) {
            return kTreeCancelled;
        }
        if (failures_ == 0 && skipped_ == 0) {
            return kTreeCopiedAll;
        }
        return copied_ > 0 ? kTreeCopiedSome : kTreeCopiedNone;
    }

    struct stat sourceRoot {};
    struct stat destinationRoot {};
    int failures_ = 0;
    bool cancelled_ = false;

    // Puts the staged files into place; false when one of them failed.
    bool Flush();

  private:
    void Fail(const std::string& path, int error) {
        ++failures_;
        ctx_.report += LogError(error, "%s", path.c_str()) + "\n";
    }
    void Skip(const std::string& path, const char* reason) {
        ++skipped_;
        Log("%s skipped: %s", path.c_str(), reason);
        ctx_.report += "- " + path + " skipped: " + reason + "\n";
    }
    bool Cancelled(const std::string& path) {
        if (ctx_.progress != nullptr && ctx_.progress->Update(path, copied_ + batch_.size())) {
            cancelled_ = true;
        }
        return cancelled_;
    }
    // The batch's entry for the destination folder `destination`.
    int BatchFolderOf(int destination, const std::string& path, size_t& index);
    bool Full() const {
        return batch_.size() >= batchFiles_ || folders_.size() >= batchFiles_ ||
               batchBytes_ >= ctx_.batch.bytes;
    }
    bool WalkFolder(int source, const std::string& name, const struct stat& st,
                    const std::string& sourcePath, int destination,
                    const std::string& destinationPath);

    FileOpsContext& ctx_;
    FileSystem& fs_;
    bool skipBackups_;
    bool move_;
    size_t batchFiles_;
    uint64_t copied_ = 0;
    int skipped_ = 0;
    // A destination folder of the batch: its staged files go in, then it is synced once and,
    // when this copy created it, gets the source's mode and times (earlier, the renames into it
    // would change them again).
    struct BatchFolder {
        FsHandle handle;
        std::string path;
        bool setAttributes = false;
        mode_t mode = 0;
        struct timespec times[2] = {};
    };
    std::vector<StagedCopy> batch_;
    std::vector<BatchFolder> folders_;
    uint64_t batchBytes_ = 0;
};

bool TreeCopy::Walk(int source, const std::string& sourcePath, int destination,
                    const std::string& destinationPath) {
    std::vector<std::string> names;
    if (const int error = ListNames(fs_, source, names); error != 0) {
        Fail(sourcePath, error);
        return false;
    }
    bool all = true;
    for (const std::string& name : names) {
        const std::string from = JoinPath(sourcePath, name);
        // What the batch holds so far is complete and still goes into place.
        if (Cancelled(from)) {
            return false;
        }
        // Backups and temporaries of this program stay where they are, even in a move.
        if (skipBackups_ && StartsWithNoCase(name, "$diff")) {
            all = false;
            continue;
        }
        struct stat st {};
        int error = fs_.Stat(source, name.c_str(), AT_SYMLINK_NOFOLLOW, st);
        if (error == 0 && S_ISDIR(st.st_mode)) {
            all = WalkFolder(source, name, st, from, destination, destinationPath) && all;
            continue;
        }
        if (error == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            Skip(from, "a FIFO, socket or device is never copied");
            all = false;
            continue;
        }
        if (error == 0 && !move_ && S_ISREG(st.st_mode)) {
            StagedCopy staged;
            if ((error = BatchFolderOf(destination, destinationPath, staged.folder)) == 0 &&
                (error = Stage(fs_, source, name.c_str(), destination, name, false, staged)) == 0) {
                staged.from = from;
                batchBytes_ += static_cast<uint64_t>(staged.size);
                batch_.push_back(std::move(staged));
                if (Full()) {
                    all = Flush() && all;
                }
                continue;
            }
        } else if (error == 0) {
            error = move_ ? MoveEntryAt(fs_, source, name.c_str(), destination, name,
                                        S_ISLNK(st.st_mode))
                          : CopyLinkAt(fs_, source, name.c_str(), destination, name);
        }
        if (error != 0) {
            Fail(from, error);
            all = false;
        } else {
            ++copied_;
        }
    }
    return all;
}

// Per file this keeps the order of a single copy: the file's data, mode and times are on the
// disk (its own fsync returned, reporting any write-back error of that file) before its name
// points at it, and its folder is synced after its name changed, before the copy counts as done.
// Only the interleaving differs: one syncfs first writes back the whole batch and commits the
// file system's journal once, so the fsyncs that follow find nothing left to write, and all the
// renames come after all the fsyncs, so no rename drags a journal commit into the next file's
// fsync; one sync per folder then covers all its renames. A kill at any point leaves each
// destination name with its old file (or its backup) or the complete new one; the temporaries
// are anonymous or carry the marker that no scan or recovery takes for a backup.
bool TreeCopy::Flush() {
    if (batch_.empty() && folders_.empty()) {
        return true;
    }
    if (ctx_.batch.syncFileSystem && !batch_.empty()) {
        // Write-back of the whole batch in one request. Its result says nothing certain about
        // our files (another program's write-back error counts too); each fsync below does.
        if (const int error = fs_.SyncFileSystem(folders_.front().handle.Get()); error != 0) {
            LogError(error, "Cannot sync the file system of %s", folders_.front().path.c_str());
        }
    }
    bool all = true;
    for (StagedCopy& staged : batch_) {
        if (const int error = fs_.Sync(staged.file.Get()); error != 0) {
            Fail(staged.from, error);
            Discard(fs_, folders_[staged.folder].handle.Get(), staged);
            all = false;
        } else {
            staged.synced = true;
        }
    }
    std::vector<bool> placed(folders_.size(), false);
    for (StagedCopy& staged : batch_) {
        if (!staged.file.IsOpen()) {
            continue;
        }
        if (const int error = Place(fs_, folders_[staged.folder].handle.Get(), staged);
            error != 0) {
            Fail(staged.from, error);
            all = false;
        } else {
            ++copied_;
            placed[staged.folder] = true;
        }
    }
    for (size_t i = 0; i < folders_.size(); ++i) {
        BatchFolder& folder = folders_[i];
        // The copies are in place whatever this says; an item that failed here would leave its
        // backup unrecorded.
        if (const int error = placed[i] ? fs_.Sync(folder.handle.Get()) : 0; error != 0) {
            LogError(error, "Cannot sync the folder %s", folder.path.c_str());
        }
        int error = 0;
        if (folder.setAttributes &&
            ((error = fs_.SetMode(folder.handle.Get(), folder.mode)) != 0 ||
             (error = fs_.SetTimes(folder.handle.Get(), nullptr, folder.times, 0)) != 0)) {
            Fail(folder.path, error);
            all = false;
        }
    }
    batch_.clear();
    folders_.clear();
    batchBytes_ = 0;
    return all;
}

int TreeCopy::BatchFolderOf(int destination, const std::string& path, size_t& index) {
    if (folders_.empty() || folders_.back().path != path || folders_.back().setAttributes) {
        int fd = -1;
        if (const int error = fs_.Open(destination, ".", O_RDONLY | O_DIRECTORY, 0, fd);
            error != 0) {
            return error;
        }
        folders_.push_back({FsHandle(fs_, fd), path});
    }
    index = folders_.size() - 1;
    return 0;
}

bool TreeCopy::WalkFolder(int source, const std::string& name, const struct stat& st,
                          const std::string& sourcePath, int destination,
                          const std::string& destinationPath) {
    if (st.st_dev != sourceRoot.st_dev) {
        Skip(sourcePath, "another file system is never entered");
        return false;
    }
    if (SameFile(st, destinationRoot)) {
        Skip(sourcePath, "the destination folder itself is never copied into itself");
        return false;
    }
    int error = 0;
    if (move_) {
        error = fs_.Rename(source, name.c_str(), destination, name.c_str(), RENAME_NOREPLACE);
        if (error == 0) {
            ++copied_;
            return true;
        }
        if (error != EEXIST && error != EXDEV && error != ENOTEMPTY && error != EINVAL) {
            Fail(sourcePath, error);
            return false;
        }
    }
    int fd = -1;
    if ((error = fs_.Open(source, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd)) != 0) {
        Fail(sourcePath, error);
        return false;
    }
    const FsHandle from(fs_, fd);
    const std::string to = JoinPath(destinationPath, name);
    error = fs_.MakeFolder(destination, name.c_str(), 0700);
    const bool created = error == 0;
    // An existing link or file in the destination is never entered or replaced by a folder.
    if ((error == 0 || error == EEXIST) &&
        (error = fs_.Open(destination, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd)) ==
            0) {
        const FsHandle into(fs_, fd);
        ++copied_;
        bool all = Walk(from.Get(), sourcePath, into.Get(), to);
        if (created && !cancelled_) {
            // Set with the batch that holds the folder's last files, after their renames.
            int fd = -1;
            if ((error = fs_.Open(into.Get(), ".", O_RDONLY | O_DIRECTORY, 0, fd)) == 0) {
                folders_.push_back({FsHandle(fs_, fd),
                                    to,
                                    true,
                                    static_cast<mode_t>(st.st_mode & 07777),
                                    {st.st_atim, st.st_mtim}});
                if (batch_.empty() || Full()) {
                    all = Flush() && all;
                }
            } else {
                Fail(to, error);
                all = false;
            }
        }
        if (move_ && all) {
            if ((error = fs_.RemoveFolder(source, name.c_str())) != 0) {
                Fail(sourcePath, error);
                all = false;
            }
        }
        return all;
    }
    Fail(to, error);
    return false;
}

}  // namespace

bool PathExistsLoose(FileSystem& fs, const std::string& path) {
    struct stat st {};
    if (path.empty()) {
        return false;
    }
    const int error = fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st);
    return error == 0 || error == EACCES;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int MakeFolderChain(FileSystem& fs, const std::string& path) {
    struct stat st {};
    int error = fs.Stat(AT_FDCWD, path.c_str(), 0, st);
    if (error == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (error != ENOENT || IsRootPath(path)) {
        return error;
    }
    if ((error = MakeFolderChain(fs, std::string(DirName(path)))) != 0) {
        return error;
    }
    error = fs.MakeFolder(AT_FDCWD, path.c_str(), 0777);
    return error == EEXIST ? 0 : error;
}

struct FileCopyGroup::Impl {
    struct Folder {
        FsHandle handle;
        std::string path;
        bool placed = false;
    };
    struct Item {
        StagedCopy staged;
        size_t tag;
    };
    explicit Impl(FileOpsContext& context)
        : ctx(context), maxFiles(BatchFiles(context.batch.files)) {}
    FileOpsContext& ctx;
    size_t maxFiles;
    std::vector<Folder> folders;
    std::unordered_map<std::string, size_t> folderIndex;
    std::vector<Item> items;
    uint64_t bytes = 0;
};

FileCopyGroup::FileCopyGroup(FileOpsContext& ctx) : impl_(new Impl(ctx)) {}

FileCopyGroup::~FileCopyGroup() {
    Flush();
    delete impl_;
}

int FileCopyGroup::Add(const std::string& source, const std::string& destination, size_t tag) {
    FileSystem& fs = impl_->ctx.fs;
    const std::string folder(DirName(destination));
    auto found = impl_->folderIndex.find(folder);
    if (found == impl_->folderIndex.end()) {
        FsHandle handle;
        struct stat st {};
        int error = MakeFolderChain(fs, folder);
        if (error != 0 || (error = OpenFolder(fs, folder, handle, st)) != 0) {
            return error;
        }
        impl_->folders.push_back({std::move(handle), folder});
        found = impl_->folderIndex.emplace(folder, impl_->folders.size() - 1).first;
    }
    Impl::Item item{{}, tag};
    item.staged.folder = found->second;
    item.staged.from = source;
    if (const int error =
            Stage(fs, AT_FDCWD, source.c_str(), impl_->folders[found->second].handle.Get(),
                  std::string(BaseName(destination)), true, item.staged);
        error != 0) {
        return error;
    }
    impl_->bytes += static_cast<uint64_t>(item.staged.size);
    impl_->items.push_back(std::move(item));
    return 0;
}

bool FileCopyGroup::Full() const {
    return impl_->items.size() >= impl_->maxFiles || impl_->bytes >= impl_->ctx.batch.bytes;
}

// Unlike a folder copy, an export writes into a folder of the user's choice that usually holds
// nothing yet: a new name has no old bytes to protect, so its copy is linked into place at once
// and the group's one write-back at the end makes it durable, as `cp` followed by `sync` would.
// Only a copy that replaces a file is synced before its rename, in the order a folder copy keeps.
std::vector<std::pair<size_t, int>> FileCopyGroup::Flush() {
    Impl& g = *impl_;
    FileSystem& fs = g.ctx.fs;
    const bool writeBack = g.ctx.batch.syncFileSystem;
    auto syncFirst = [writeBack](const Impl::Item& i) { return i.staged.replaces || !writeBack; };
    std::vector<std::pair<size_t, int>> results;
    if (writeBack && std::any_of(g.items.begin(), g.items.end(), syncFirst)) {
        // One write-back of the whole group; the fsyncs below confirm it for each replacement.
        if (const int error = fs.SyncFileSystem(g.folders.front().handle.Get()); error != 0) {
            LogError(error, "Cannot sync the file system of %s", g.folders.front().path.c_str());
        }
    }
    for (Impl::Item& item : g.items) {
        if (!syncFirst(item)) {
            continue;
        }
        if (const int error = fs.Sync(item.staged.file.Get()); error != 0) {
            Discard(fs, g.folders[item.staged.folder].handle.Get(), item.staged);
            results.emplace_back(item.tag, error);
        } else {
            item.staged.synced = true;
        }
    }
    std::vector<size_t> placed;
    for (Impl::Item& item : g.items) {
        if (!item.staged.file.IsOpen()) {
            continue;
        }
        Impl::Folder& folder = g.folders[item.staged.folder];
        const int error = Place(fs, folder.handle.Get(), item.staged);
        folder.placed = folder.placed || error == 0;
        if (error == 0) {
            placed.push_back(results.size());
        }
        results.emplace_back(item.tag, error);
    }
    // The files of a group are spread over many folders (a few per folder at most when the
    // differing files of two trees are copied): one write-back of the file system makes their
    // data and names durable in one journal commit, where a sync per file and folder would commit
    // once each. A write-back error cannot be told apart by file, so it fails the whole group's.
    if (writeBack && !placed.empty()) {
        if (const int error = fs.SyncFileSystem(g.folders.front().handle.Get()); error != 0) {
            LogError(error, "Cannot sync the file system of %s", g.folders.front().path.c_str());
            for (const size_t i : placed) {
                results[i].second = error;
            }
        }
    } else if (!writeBack) {
        for (Impl::Folder& folder : g.folders) {
            if (const int error = folder.placed ? fs.Sync(folder.handle.Get()) : 0; error != 0) {
                LogError(error, "Cannot sync the folder %s", folder.path.c_str());
            }
        }
    }
    g.items.clear();
    g.folders.clear();
    g.folderIndex.clear();
    g.bytes = 0;
    return results;
}

int CopyFileCreatingParent(FileOpsContext& ctx, const std::string& source,
                           const std::string& destination) {
    const std::string folder(DirName(destination));
    if (const int error = MakeFolderChain(ctx.fs, folder); error != 0) {
        return error;
    }
    FsHandle into;
    struct stat st {};
    if (const int error = OpenFolder(ctx.fs, folder, into, st); error != 0) {
        return error;
    }
    return CopyFileAt(ctx.fs, AT_FDCWD, source.c_str(), into.Get(),
                      std::string(BaseName(destination)), true);
}

namespace {

// The folders of two paths opened, for the calls that take a folder and a name.
struct FolderPair {
    FsHandle from;
    FsHandle into;
    int Open(FileSystem& fs, const std::string& source, const std::string& destination) {
        struct stat st {};
        const int error = OpenFolder(fs, std::string(DirName(source)), from, st);
        return error != 0 ? error : OpenFolder(fs, std::string(DirName(destination)), into, st);
    }
};

}  // namespace

int CopyLink(FileSystem& fs, const std::string& source, const std::string& destination) {
    FolderPair folders;
    const int error = folders.Open(fs, source, destination);
    return error != 0 ? error
                      : CopyLinkAt(fs, folders.from.Get(), std::string(BaseName(source)).c_str(),
                                   folders.into.Get(), std::string(BaseName(destination)));
}

int MoveFileOrLink(FileOpsContext& ctx, const std::string& source, const std::string& destination) {
    FolderPair folders;
    struct stat st {};
    int error = folders.Open(ctx.fs, source, destination);
    const std::string name(BaseName(source));
    if (error == 0 &&
        (error = ctx.fs.Stat(folders.from.Get(), name.c_str(), AT_SYMLINK_NOFOLLOW, st)) == 0) {
        error = MoveEntryAt(ctx.fs, folders.from.Get(), name.c_str(), folders.into.Get(),
                            std::string(BaseName(destination)), S_ISLNK(st.st_mode));
    }
    return error;
}

int CopyFolderTree(FileOpsContext& ctx, const std::string& source, const std::string& destination,
                   bool skipBackups, bool move, int* failures) {
    if (source.empty() || destination.empty()) {
        return kTreeCopiedNone;
    }
    TreeCopy copy(ctx, skipBackups, move);
    FsHandle from;
    FsHandle into;
    int error = OpenFolder(ctx.fs, source, from, copy.sourceRoot);
    if (error == 0 && (error = MakeFolderChain(ctx.fs, destination)) == 0) {
        error = OpenFolder(ctx.fs, destination, into, copy.destinationRoot);
    }
    if (error == 0 && SameFile(copy.sourceRoot, copy.destinationRoot)) {
        error = EINVAL;
    }
    if (error != 0) {
        ctx.report += LogError(error, "%s", destination.c_str()) + "\n";
        if (failures != nullptr) {
            *failures = 1;
        }
        return kTreeCopiedNone;
    }
    bool all = copy.Walk(from.Get(), source, into.Get(), destination);
    all = copy.Flush() && all;
    if (move && all && !copy.cancelled_) {
        from.Reset();
        Log("MoveDirectory: Deleting directory (%s)", source.c_str());
        if ((error = ctx.fs.RemoveFolder(AT_FDCWD, source.c_str())) != 0) {
            ctx.report += LogError(error, "%s", source.c_str()) + "\n";
            ++copy.failures_;
        }
    }
    if (failures != nullptr) {
        *failures = copy.failures_;
    }
    return copy.Result();
}

bool DeleteFileForced(FileSystem& fs, const std::string& path) {
    if (!PathExistsLoose(fs, path)) {
        return true;
    }
    fs.Unlink(AT_FDCWD, path.c_str());
    return !PathExistsLoose(fs, path);
}

namespace {

struct Entry {
    ino_t inode;
    unsigned char type;
    std::string name;
};

// Empties the open folder `folder`; never descends through a link or into another file system.
// Entries go in inode order, which on the common file systems walks the inode table in one
// sweep; the listing's type spares a look at every file.
void DeleteContents(FileSystem& fs, int folder, dev_t device) {
    std::vector<Entry> entries;
    auto buffer = std::make_unique_for_overwrite<unsigned char[]>(kListingBufferSize);
    for (size_t got = 0; fs.List(folder, buffer.get(), kListingBufferSize, got) == 0 && got > 0;) {
        for (size_t pos = 0; pos < got;) {
            const auto* d = reinterpret_cast<const struct dirent64*>(buffer.get() + pos);
            pos += d->d_reclen;
            const std::string_view name(d->d_name);
            if (name != "." && name != "..") {
                entries.push_back({d->d_ino, d->d_type, std::string(name)});
            }
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
    for (const Entry& entry : entries) {
        const char* name = entry.name.c_str();
        bool isFolder = entry.type == DT_DIR;
        if (entry.type == DT_UNKNOWN) {
            struct stat st {};
            if (fs.Stat(folder, name, AT_SYMLINK_NOFOLLOW, st) != 0) {
                continue;
            }
            isFolder = S_ISDIR(st.st_mode);
        }
        if (!isFolder) {
            fs.Unlink(folder, name);
            continue;
        }
        int fd = -1;
        if (fs.Open(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) == 0) {
            const FsHandle sub(fs, fd);
            struct stat st {};
            if (fs.Fstat(fd, st) == 0 && st.st_dev == device) {
                DeleteContents(fs, sub.Get(), device);
            }
        }
        fs.RemoveFolder(folder, name);
    }
}

}  // namespace

bool DeleteFolderTree(FileSystem& fs, const std::string& path) {
    if (!PathExistsLoose(fs, path)) {
        return true;
    }
    int fd = -1;
    if (fs.Open(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) != 0) {
        return false;
    }
    {
        const FsHandle folder(fs, fd);
        struct stat st {};
        if (fs.Fstat(fd, st) == 0) {
            DeleteContents(fs, fd, st.st_dev);
        }
    }
    fs.RemoveFolder(AT_FDCWD, path.c_str());
    return !PathExistsLoose(fs, path);
}

}  // namespace quillon
