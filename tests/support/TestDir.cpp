#include "support/TestDir.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillon::test {
namespace {

void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Creates the folders above `path` and gives `path` back.
std::string MakeParents(const std::string& path) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return path;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    // Restore write permission first so read-only test folders can be removed.
    chmod(path, 0700);
    return remove(path);
}

void SetMTime(const std::string& full, time_t mtime) {
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    if (utimensat(AT_FDCWD, full.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail("utimensat " + full);
    }
}

}  // namespace

TestDir::TestDir() {
    const char* tmp = std::getenv("TMPDIR");
    root_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-test-XXXXXX";
    if (mkdtemp(root_.data()) == nullptr) {
        Fail("mkdtemp");
    }
}

TestDir::~TestDir() {
    nftw(root_.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
}

std::string TestDir::operator/(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "/" + relative;
}

void TestDir::MakeTree(const std::vector<TreeEntry>& entries) {
    for (const TreeEntry& e : entries) {
        if (!e.path.empty() && e.path.back() == '/') {
            MakeFolder(e.path);
        } else {
            WriteFile(e.path, e.content);
        }
    }
    // Times are set last: creating a child would otherwise touch its parent folder's time.
    for (const TreeEntry& e : entries) {
        if (e.mtime) {
            SetMTime(*this / e.path, *e.mtime);
        }
    }
}

void TestDir::WriteFile(const std::string& relative, const std::string& content,
                        std::optional<time_t> mtime) {
    const std::string full = MakeParents(*this / relative);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    if (!out) {
        Fail("open " + full);
    }
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (mtime) {
        SetMTime(full, *mtime);
    }
}

void TestDir::MakeFolder(const std::string& relative) {
    std::filesystem::create_directories(*this / relative);
}

void TestDir::Symlink(const std::string& target, const std::string& relativeLink) {
    const std::string full = MakeParents(*this / relativeLink);
    if (symlink(target.c_str(), full.c_str()) != 0) {
        Fail("symlink " + full);
    }
}

void TestDir::MakeFifo(const std::string& relative) {
    const std::string full = MakeParents(*this / relative);
    if (mkfifo(full.c_str(), 0644) != 0) {
        Fail("mkfifo " + full);
    }
}

std::string TestDir::ReadFile(const std::string& relative) const {
    return ReadWholeFile(*this / relative);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TestDir::Exists(const std::string& relative) const {
    struct stat st {};
    return lstat((*this / relative).c_str(), &st) == 0;
}

std::vector<std::string> TestDir::List(const std::string& relative) const {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    const std::string base = *this / relative;
    std::error_code error;  // a missing folder lists as empty
    for (fs::recursive_directory_iterator
             it(base, fs::directory_options::skip_permission_denied, error),
         end;
         it != end; ++it) {
        std::string path = it->path().string().substr(base.size() + 1);
        out.push_back(it->is_directory() && !it->is_symlink() ? path + "/" : path);
    }
    std::sort(out.begin(), out.end());
    return out;
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

}  // namespace quillon::test
