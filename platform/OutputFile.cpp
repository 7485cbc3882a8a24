#include "platform/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/PathUtil.h"

namespace quillon {

namespace {

std::string Reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

std::string FolderOf(const std::string& path) {
    std::string_view dir = DirName(path);
    return dir.empty() ? std::string(".") : std::string(dir);
}

// FIFOs, devices and terminals are written where they are, as a shell redirection writes them.
bool WrittenInPlace(mode_t mode) {
    return S_ISFIFO(mode) || S_ISCHR(mode) || S_ISBLK(mode);
}

// The temporaries of runs that were killed before their rename: named after the target and a
// process that is gone.
void RemoveDeadRunsTemps(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        const long pid = std::strtol(entry->d_name + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace

OutputFile::~OutputFile() {
    Abandon();
}

void OutputFile::Abandon() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    unnamed_ = false;
}

bool OutputFile::Open(const std::string& target, std::string& error) {
    Abandon();
    struct stat st {};
    bool exists = ::lstat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        error = Reason("cannot look at", target);
        return false;
    }
    finalPath_ = target;
    if (exists && S_ISLNK(st.st_mode)) {
        if (::stat(target.c_str(), &st) != 0) {
            error = errno == ENOENT ? target + " is a link to nothing"
                                    : Reason("cannot follow the link", target);
            return false;
        }
        if (S_ISREG(st.st_mode)) {
            // The file the link names is replaced; the link itself stays as it is.
            char resolved[PATH_MAX];
            if (::realpath(target.c_str(), resolved) == nullptr) {
                error = Reason("cannot follow the link", target);
                return false;
            }
            finalPath_ = resolved;
        }
    }
    if (exists && WrittenInPlace(st.st_mode)) {
        int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        stream_ = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
        if (stream_ == nullptr) {
            error = Reason("cannot open", target);
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        return true;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        error = target + (S_ISDIR(st.st_mode) ? " is a folder" : " is not a file");
        return false;
    }
    const std::string folder = FolderOf(finalPath_);
    const std::string prefix = "." + std::string(BaseName(finalPath_)) + ".quillon-";
    RemoveDeadRunsTemps(folder, prefix);
    tempStem_ = JoinPath(folder, prefix + std::to_string(::getpid()) + "-");
    // An unnamed file vanishes with a killed run; it gets a name only just before the rename.
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    unnamed_ = fd >= 0;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tempPath_ = tempStem_ + std::to_string(attempt);
        fd = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        error = Reason("cannot create a file in", folder);
        tempPath_.clear();
        return false;
    }
    if (exists) {
        // The new file takes the place of the old one with its permissions; its owner too where
        // the system lets this user give it.
        ::fchmod(fd, st.st_mode & 07777);
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            if (::fchown(fd, st.st_uid, st.st_gid) == 0) {
                ::fchmod(fd, st.st_mode & 07777);
            }
        }
    }
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) {
        error = Reason("cannot write", tempPath_);
        ::close(fd);
        Abandon();
        return false;
    }
    return true;
}

bool OutputFile::NameUnnamedFile(int fd) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath_ = tempStem_ + std::to_string(attempt);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tempPath_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    tempPath_.clear();
    return false;
}

bool OutputFile::Commit(std::string& error) {
    if (stream_ == nullptr) {
        error = "nothing to write to " + finalPath_;
        return false;
    }
    bool flushed = std::fflush(stream_) == 0;
    if (flushed && (unnamed_ || !tempPath_.empty())) {
        flushed = ::fsync(::fileno(stream_)) == 0;
    }
    if (flushed && unnamed_) {
        flushed = NameUnnamedFile(::fileno(stream_));
    }
    if (!flushed) {
        error = Reason("cannot write", finalPath_);
        Abandon();
        return false;
    }
    const int closed = std::fclose(stream_);
    stream_ = nullptr;
    if (closed != 0) {
        error = Reason("cannot write", finalPath_);
        Abandon();
        return false;
    }
    if (tempPath_.empty()) {
        return true;
    }
    // What appeared at the target meanwhile is replaced only when it is a regular file too.
    struct stat st {};
    if (::lstat(finalPath_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = finalPath_ + " is no longer a file; it is left as it is";
        Abandon();
        return false;
    }
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        error = Reason("cannot replace", finalPath_);
        Abandon();
        return false;
    }
    tempPath_.clear();
    int dirFd = ::open(FolderOf(finalPath_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace quillon
