// The file system of the fault-injection tests: the real one, except that a chosen call fails
// with a chosen errno, or that every call after step N fails without touching the disk. The
// latter freezes the disk exactly as a kill at that point would leave it; what the caller does
// afterwards can no longer change anything, so the tests check the disk as a restart would see it.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/FileSystem.h"

namespace quillon {

class FaultFileSystem final : public FileSystem {
  public:
    // The errno of every call after the stop.
    static constexpr int kStopped = ESHUTDOWN;

    explicit FaultFileSystem(FileSystem& inner = RealFileSystem()) : inner_(inner) {}

    // The `nth` call (from 1) of `kind` fails with `error` without being made; with FsCall::Any,
    // the nth call of the whole sequence. Each call adds one planned failure.
    void FailNth(FsCall kind, uint64_t nth, int error);
    // Calls after the first `steps` fail with kStopped without being made.
    void StopAfter(uint64_t steps);
    // Every call of `kind` fails with `error`, as on a file system that refuses it.
    void FailEvery(FsCall kind, int error);
    // Called at every step before it is made (a test that kills the process mid-way counts
    // steps with it).
    void SetStepHook(std::function<void()> hook) { hook_ = std::move(hook); }
    // Sync succeeds without reaching the disk: what other processes see does not depend on it,
    // and suites that run thousands of copies need not wait for the device.
    void WithoutDurability() { noSync_ = true; }
    // Behaves as a file system without O_TMPFILE (EOPNOTSUPP).
    void WithoutTmpFile() { noTmpFile_ = true; }

    // Calls made or refused so far (Close is no step).
    uint64_t Steps() const;
    // The kind of every step, in order.
    std::vector<FsCall> Trace() const;
    // Whether the planned failure or the stop has been reached.
    bool Fired() const;

    int Open(int folder, const char* name, int flags, mode_t mode, int& fd) override;
    void Close(int fd) override { inner_.Close(fd); }
    int List(int folder, void* buffer, size_t size, size_t& got) override;
    int Stat(int folder, const char* name, int flags, struct stat& st) override;
    int Read(int fd, void* buffer, size_t size, size_t& got) override;
    int Write(int fd, const void* data, size_t size, size_t& written) override;
    int Rename(int fromFolder, const char* from, int toFolder, const char* to,
               unsigned flags) override;
    int Link(int fromFolder, const char* from, int toFolder, const char* to, int flags) override;
    int Unlink(int folder, const char* name) override;
    int MakeFolder(int folder, const char* name, mode_t mode) override;
    int RemoveFolder(int folder, const char* name) override;
    int SetTimes(int folder, const char* name, const struct timespec times[2], int flags) override;
    int SetMode(int fd, mode_t mode) override;
    int Sync(int fd) override;
    int SyncFileSystem(int fd) override;
    int FreeSpace(int fd, uint64_t& bytes) override;
    int Clone(int toFd, int fromFd) override;
    int CopyRange(int fromFd, int toFd, size_t size, size_t& copied) override;
    int ReadLink(int folder, const char* name, std::string& target) override;
    int MakeLink(const char* target, int folder, const char* name) override;

  private:
    // 0 when the call may go to the real file system, else the errno it fails with.
    int Enter(FsCall kind);

    FileSystem& inner_;
    mutable std::mutex mutex_;
    std::vector<FsCall> trace_;
    uint64_t kindCalls_[static_cast<size_t>(FsCall::Any)] = {};
    struct Planned {
        FsCall kind;
        uint64_t nth;
        int error;
    };
    std::vector<Planned> planned_;
    uint64_t stopAfter_ = UINT64_MAX;
    bool fired_ = false;
    bool noTmpFile_ = false;
    bool noSync_ = false;
    FsCall everyKind_ = FsCall::Any;
    int everyError_ = 0;
    std::function<void()> hook_;
};

}  // namespace quillon
