#include "platform/FaultFileSystem.h"

namespace quillon {

void FaultFileSystem::FailNth(FsCall kind, uint64_t nth, int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    planned_.push_back({kind, nth, error});
}

void FaultFileSystem::FailEvery(FsCall kind, int error) {
    std::lock_guard<std::mutex> lock(mutex_);
    everyKind_ = kind;
    everyError_ = error;
}

void FaultFileSystem::StopAfter(uint64_t steps) {
    std::lock_guard<std::mutex> lock(mutex_);
    stopAfter_ = steps;
}

uint64_t FaultFileSystem::Steps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_.size();
}

std::vector<FsCall> FaultFileSystem::Trace() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return trace_;
}

bool FaultFileSystem::Fired() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
}

int FaultFileSystem::Enter(FsCall kind) {
    if (hook_) {
        hook_();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    trace_.push_back(kind);
    const uint64_t ofKind = ++kindCalls_[static_cast<size_t>(kind)];
    if (trace_.size() > stopAfter_) {
        fired_ = true;
        return kStopped;
    }
    if (everyError_ != 0 && kind == everyKind_) {
        return everyError_;
    }
    for (const Planned& plan : planned_) {
        const uint64_t nth = plan.kind == FsCall::Any ? trace_.size() : ofKind;
        if (nth == plan.nth && (plan.kind == FsCall::Any || plan.kind == kind)) {
            fired_ = true;
            return plan.error;
        }
    }
    return 0;
}

int FaultFileSystem::Open(int folder, const char* name, int flags, mode_t mode, int& fd) {
    fd = -1;
    int error = Enter(FsCall::Open);
    if (error == 0 && noTmpFile_ && (flags & O_TMPFILE) == O_TMPFILE) {
        error = EOPNOTSUPP;
    }
    return error != 0 ? error : inner_.Open(folder, name, flags, mode, fd);
}

int FaultFileSystem::List(int folder, void* buffer, size_t size, size_t& got) {
    got = 0;
    const int error = Enter(FsCall::List);
    return error != 0 ? error : inner_.List(folder, buffer, size, got);
}

int FaultFileSystem::Stat(int folder, const char* name, int flags, struct stat& st) {
    const int error = Enter(FsCall::Stat);
    return error != 0 ? error : inner_.Stat(folder, name, flags, st);
}

int FaultFileSystem::Read(int fd, void* buffer, size_t size, size_t& got) {
    got = 0;
    const int error = Enter(FsCall::Read);
    return error != 0 ? error : inner_.Read(fd, buffer, size, got);
}

int FaultFileSystem::Write(int fd, const void* data, size_t size, size_t& written) {
    written = 0;
    const int error = Enter(FsCall::Write);
    return error != 0 ? error : inner_.Write(fd, data, size, written);
}

int FaultFileSystem::Rename(int fromFolder, const char* from, int toFolder, const char* to,
                            unsigned flags) {
    const int error = Enter(FsCall::Rename);
    return error != 0 ? error : inner_.Rename(fromFolder, from, toFolder, to, flags);
}

int FaultFileSystem::Link(int fromFolder, const char* from, int toFolder, const char* to,
                          int flags) {
    const int error = Enter(FsCall::Link);
    return error != 0 ? error : inner_.Link(fromFolder, from, toFolder, to, flags);
}

int FaultFileSystem::Unlink(int folder, const char* name) {
    const int error = Enter(FsCall::Unlink);
    return error != 0 ? error : inner_.Unlink(folder, name);
}

int FaultFileSystem::MakeFolder(int folder, const char* name, mode_t mode) {
    const int error = Enter(FsCall::MakeFolder);
    return error != 0 ? error : inner_.MakeFolder(folder, name, mode);
}

int FaultFileSystem::RemoveFolder(int folder, const char* name) {
    const int error = Enter(FsCall::RemoveFolder);
    return error != 0 ? error : inner_.RemoveFolder(folder, name);
}

int FaultFileSystem::SetTimes(int folder, const char* name, const struct timespec times[2],
                              int flags) {
    const int error = Enter(FsCall::SetTimes);
    return error != 0 ? error : inner_.SetTimes(folder, name, times, flags);
}

int FaultFileSystem::SetMode(int fd, mode_t mode) {
    const int error = Enter(FsCall::SetMode);
    return error != 0 ? error : inner_.SetMode(fd, mode);
}

int FaultFileSystem::Sync(int fd) {
    const int error = Enter(FsCall::Sync);
    return error != 0 || noSync_ ? error : inner_.Sync(fd);
}

int FaultFileSystem::SyncFileSystem(int fd) {
    const int error = Enter(FsCall::Sync);
    return error != 0 || noSync_ ? error : inner_.SyncFileSystem(fd);
}

int FaultFileSystem::FreeSpace(int fd, uint64_t& bytes) {
    bytes = 0;
    const int error = Enter(FsCall::FreeSpace);
    return error != 0 ? error : inner_.FreeSpace(fd, bytes);
}

int FaultFileSystem::Clone(int toFd, int fromFd) {
    const int error = Enter(FsCall::Clone);
    return error != 0 ? error : inner_.Clone(toFd, fromFd);
}

int FaultFileSystem::CopyRange(int fromFd, int toFd, size_t size, size_t& copied) {
    copied = 0;
    const int error = Enter(FsCall::CopyRange);
    return error != 0 ? error : inner_.CopyRange(fromFd, toFd, size, copied);
}

int FaultFileSystem::ReadLink(int folder, const char* name, std::string& target) {
    const int error = Enter(FsCall::ReadLink);
    return error != 0 ? error : inner_.ReadLink(folder, name, target);
}

int FaultFileSystem::MakeLink(const char* target, int folder, const char* name) {
    const int error = Enter(FsCall::MakeLink);
    return error != 0 ? error : inner_.MakeLink(target, folder, name);
}

}  // namespace quillon
