#include "platform/FileSystem.h"

#include <dirent.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/ioctl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace quillon {

namespace {

int Result(long rc) {
    return rc < 0 ? errno : 0;
}

class SystemFileSystem final : public FileSystem {
  public:
    int Open(int folder, const char* name, int flags, mode_t mode, int& fd) override {
        do {
            fd = ::openat(folder, name, flags | O_CLOEXEC, mode);
        } while (fd < 0 && errno == EINTR);
        return fd < 0 ? errno : 0;
    }

    void Close(int fd) override { ::close(fd); }

    int List(int folder, void* buffer, size_t size, size_t& got) override {
        ssize_t n;
        do {
            n = ::getdents64(folder, buffer, size);
        } while (n < 0 && errno == EINTR);
        got = n < 0 ? 0 : static_cast<size_t>(n);
        return Result(n);
    }

    int Stat(int folder, const char* name, int flags, struct stat& st) override {
        return Result(::fstatat(folder, name, &st, flags));
    }

    int Read(int fd, void* buffer, size_t size, size_t& got) override {
        ssize_t n;
        do {
            n = ::read(fd, buffer, size);
        } while (n < 0 && errno == EINTR);
        got = n < 0 ? 0 : static_cast<size_t>(n);
        return Result(n);
    }

    int Write(int fd, const void* data, size_t size, size_t& written) override {
        ssize_t n;
        do {
            n = ::write(fd, data, size);
        } while (n < 0 && errno == EINTR);
        written = n < 0 ? 0 : static_cast<size_t>(n);
        return Result(n);
    }

    int Rename(int fromFolder, const char* from, int toFolder, const char* to,
               unsigned flags) override {
        return Result(::renameat2(fromFolder, from, toFolder, to, flags));
    }

    int Link(int fromFolder, const char* from, int toFolder, const char* to, int flags) override {
        return Result(::linkat(fromFolder, from, toFolder, to, flags));
    }

    int Unlink(int folder, const char* name) override {
        return Result(::unlinkat(folder, name, 0));
    }

    int MakeFolder(int folder, const char* name, mode_t mode) override {
        return Result(::mkdirat(folder, name, mode));
    }

    int RemoveFolder(int folder, const char* name) override {
        return Result(::unlinkat(folder, name, AT_REMOVEDIR));
    }

    int SetTimes(int folder, const char* name, const struct timespec times[2], int flags) override {
        return Result(name == nullptr ? ::futimens(folder, times)
                                      : ::utimensat(folder, name, times, flags));
    }

    int SetMode(int fd, mode_t mode) override { return Result(::fchmod(fd, mode)); }

    int Sync(int fd) override { return Result(::fsync(fd)); }
    int SyncFileSystem(int fd) override { return Result(::syncfs(fd)); }

    int FreeSpace(int fd, uint64_t& bytes) override {
        struct statvfs vfs {};
        if (::fstatvfs(fd, &vfs) != 0) {
            return errno;
        }
        bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
        return 0;
    }

    int Clone(int toFd, int fromFd) override { return Result(::ioctl(toFd, FICLONE, fromFd)); }

    int CopyRange(int fromFd, int toFd, size_t size, size_t& copied) override {
        ssize_t n;
        do {
            n = ::copy_file_range(fromFd, nullptr, toFd, nullptr, size, 0);
        } while (n < 0 && errno == EINTR);
        copied = n < 0 ? 0 : static_cast<size_t>(n);
        return Result(n);
    }

    int ReadLink(int folder, const char* name, std::string& target) override {
        std::vector<char> buffer(256);
        for (;;) {
            const ssize_t n = ::readlinkat(folder, name, buffer.data(), buffer.size());
            if (n < 0) {
                return errno;
            }
            if (static_cast<size_t>(n) < buffer.size()) {
                target.assign(buffer.data(), static_cast<size_t>(n));
                return 0;
            }
            buffer.resize(buffer.size() * 2);
        }
    }

    int MakeLink(const char* target, int folder, const char* name) override {
        return Result(::symlinkat(target, folder, name));
    }
};

}  // namespace

FileSystem& RealFileSystem() {
    static SystemFileSystem system;
    return system;
}

int FileSystem::Seek(int fd, off_t offset, int whence, off_t& result) {
    result = ::lseek(fd, offset, whence);
    return result < 0 ? errno : 0;
}

}  // namespace quillon
