// Every call that touches the disk, relative to open folder handles (the openat family), so that
// a walk can hold a folder with O_NOFOLLOW and never be redirected by a link swapped in under it.
// Each call returns 0 or the errno of its failure. The real implementation is the system; tests
// put a FaultFileSystem in its place to fail a chosen call or to freeze the disk mid-operation.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace quillon {

// The kinds of call, for counting and for choosing which one a test fails.
enum class FsCall : uint8_t {
    Open,
    List,
    Stat,
    Read,
    Write,
    Rename,
    Link,
    Unlink,
    MakeFolder,
    RemoveFolder,
    SetTimes,
    SetMode,
    Sync,
    FreeSpace,
    Clone,
    CopyRange,
    ReadLink,
    MakeLink,
    Any,  // every kind: the step number of a call in the whole sequence
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // openat; the descriptor is close-on-exec whatever `flags` say.
    virtual int Open(int folder, const char* name, int flags, mode_t mode, int& fd) = 0;
    // Never fails as a step: a descriptor is always released.
    virtual void Close(int fd) = 0;
    // One batch of linux_dirent64 records of an open folder (getdents64); `got` 0 at the end.
    virtual int List(int folder, void* buffer, size_t size, size_t& got) = 0;
    // fstatat: AT_SYMLINK_NOFOLLOW for lstat; an empty name with AT_EMPTY_PATH for fstat.
    virtual int Stat(int folder, const char* name, int flags, struct stat& st) = 0;
    virtual int Read(int fd, void* buffer, size_t size, size_t& got) = 0;
    virtual int Write(int fd, const void* data, size_t size, size_t& written) = 0;
    // renameat2; `flags` 0 replaces, RENAME_NOREPLACE fails with EEXIST on a taken name.
    virtual int Rename(int fromFolder, const char* from, int toFolder, const char* to,
                       unsigned flags) = 0;
    // linkat; with an empty `from` and AT_EMPTY_PATH, names an O_TMPFILE descriptor.
    virtual int Link(int fromFolder, const char* from, int toFolder, const char* to, int flags) = 0;
    virtual int Unlink(int folder, const char* name) = 0;
    virtual int MakeFolder(int folder, const char* name, mode_t mode) = 0;
    virtual int RemoveFolder(int folder, const char* name) = 0;
    // utimensat; a null name sets the times of `folder` itself (futimens).
    virtual int SetTimes(int folder, const char* name, const struct timespec times[2],
                         int flags) = 0;
    virtual int SetMode(int fd, mode_t mode) = 0;
    virtual int Sync(int fd) = 0;
    // syncfs: everything written to the file system of `fd`; counted as a Sync step. Reports a
    // write-back error of that file system since `fd` was opened.
    virtual int SyncFileSystem(int fd) = 0;
    // Bytes an unprivileged writer may still use on the file system of `fd`.
    virtual int FreeSpace(int fd, uint64_t& bytes) = 0;
    // A reflink of the whole source (FICLONE); EOPNOTSUPP/EXDEV/EINVAL where unsupported.
    virtual int Clone(int toFd, int fromFd) = 0;
    // copy_file_range from the current offsets; `copied` 0 at the source's end.
    virtual int CopyRange(int fromFd, int toFd, size_t size, size_t& copied) = 0;
    virtual int ReadLink(int folder, const char* name, std::string& target) = 0;
    virtual int MakeLink(const char* target, int folder, const char* name) = 0;
    // lseek of an open descriptor (SEEK_DATA and SEEK_HOLE find the extents of a sparse file);
    // it only moves an offset, so every implementation shares this one and no fault counts it.
    int Seek(int fd, off_t offset, int whence, off_t& result);

    int Fstat(int fd, struct stat& st) { return Stat(fd, "", AT_EMPTY_PATH, st); }
};

// The system itself; stateless, shared by every caller.
FileSystem& RealFileSystem();

// Closes a descriptor of a FileSystem when it goes out of scope.
class FsHandle {
  public:
    FsHandle() = default;
    FsHandle(FileSystem& fs, int fd) : fs_(&fs), fd_(fd) {}
    ~FsHandle() { Reset(); }
    FsHandle(FsHandle&& other) noexcept : fs_(other.fs_), fd_(other.fd_) { other.fd_ = -1; }
    FsHandle& operator=(FsHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            fs_ = other.fs_;
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }
    FsHandle(const FsHandle&) = delete;
    FsHandle& operator=(const FsHandle&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0 && fs_ != nullptr) {
            fs_->Close(fd_);
        }
        fd_ = -1;
    }

  private:
    FileSystem* fs_ = nullptr;
    int fd_ = -1;
};

}  // namespace quillon
