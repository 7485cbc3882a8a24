#include "support/TestDir.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillon::test {
namespace {

void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void MakeParents(const std::string& path) {
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        std::string prefix = path.substr(0, pos);
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
            Fail("mkdir " + prefix);
        }
    }
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    // Restore write permission first so read-only test folders can be removed.
    chmod(path, 0700);
    return remove(path);
}

void ListInto(const std::string& base, const std::string& rel, std::vector<std::string>& out) {
    std::string dirPath = rel.empty() ? base : base + "/" + rel;
    DIR* dir = opendir(dirPath.c_str());
    if (dir == nullptr) {
        return;
    }
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        std::string childRel = rel.empty() ? name : rel + "/" + name;
        struct stat st {};
        if (lstat((base + "/" + childRel).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            out.push_back(childRel + "/");
            ListInto(base, childRel, out);
        } else {
            out.push_back(childRel);
        }
    }
    closedir(dir);
}

}  // namespace

TestDir::TestDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr) {
        Fail("mkdtemp");
    }
    root_ = buf.data();
}

TestDir::~TestDir() {
    nftw(root_.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
}

std::string TestDir::operator/(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "/" + relative;
}

void TestDir::MakeTree(std::initializer_list<TreeEntry> entries) {
    MakeTree(std::vector<TreeEntry>(entries));
}

void TestDir::MakeTree(const std::vector<TreeEntry>& entries) {
    // Times are set last: creating a child would otherwise touch its parent folder's time.
    std::vector<const TreeEntry*> timed;
    for (const TreeEntry& e : entries) {
        if (!e.path.empty() && e.path.back() == '/') {
            MakeFolder(e.path.substr(0, e.path.size() - 1));
        } else {
            WriteFile(e.path, e.content);
        }
        if (e.mtime) {
            timed.push_back(&e);
        }
    }
    for (const TreeEntry* e : timed) {
        std::string p = e->path;
        if (p.back() == '/') {
            p.pop_back();
        }
        SetMTime(p, *e->mtime);
    }
}

void TestDir::WriteFile(const std::string& relative, const std::string& content,
                        std::optional<time_t> mtime) {
    std::string full = *this / relative;
    MakeParents(full);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    if (!out) {
        Fail("open " + full);
    }
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (mtime) {
        SetMTime(relative, *mtime);
    }
}

void TestDir::MakeFolder(const std::string& relative) {
    std::string full = *this / relative;
    MakeParents(full + "/");
}

void TestDir::SetMTime(const std::string& relative, time_t mtime) {
    std::string full = *this / relative;
    struct timespec times[2];
    times[0].tv_sec = mtime;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (utimensat(AT_FDCWD, full.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail("utimensat " + full);
    }
}

void TestDir::Symlink(const std::string& target, const std::string& relativeLink) {
    std::string full = *this / relativeLink;
    MakeParents(full);
    if (symlink(target.c_str(), full.c_str()) != 0) {
        Fail("symlink " + full);
    }
}

void TestDir::MakeFifo(const std::string& relative) {
    std::string full = *this / relative;
    MakeParents(full);
    if (mkfifo(full.c_str(), 0644) != 0) {
        Fail("mkfifo " + full);
    }
}

std::string TestDir::ReadFile(const std::string& relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TestDir::Exists(const std::string& relative) const {
    struct stat st {};
    return lstat((*this / relative).c_str(), &st) == 0;
}

std::vector<std::string> TestDir::List(const std::string& relative) const {
    std::vector<std::string> out;
    ListInto(root_, relative, out);
    if (!relative.empty()) {
        for (std::string& p : out) {
            p = p.substr(relative.size() + 1);
        }
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
