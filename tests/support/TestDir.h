// A temporary folder, removed with the object; MakeTree({{"a/f", "text", mtime}, {"Sub/", ""}}).
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

struct TreeEntry {
    std::string path;                            // relative; trailing '/' makes a folder
    std::string content;                         // file bytes
    std::optional<time_t> mtime = std::nullopt;  // last-write time (seconds since the epoch)
};

class TestDir {
  public:
    TestDir();
    ~TestDir();
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;
    const std::string& Path() const { return root_; }
    // Absolute path of a relative one, joined with '/'.
    std::string operator/(const std::string& relative) const;
    void MakeTree(const std::vector<TreeEntry>& entries);
    void WriteFile(const std::string& relative, const std::string& content,
                   std::optional<time_t> mtime = std::nullopt);
    void MakeFolder(const std::string& relative);
    void Symlink(const std::string& target, const std::string& relativeLink);
    void MakeFifo(const std::string& relative);
    std::string ReadFile(const std::string& relative) const;
    bool Exists(const std::string& relative) const;
    // Sorted relative paths below `relative`, folders with a trailing '/'; links are not followed.
    std::vector<std::string> List(const std::string& relative = "") const;

  private:
    std::string root_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Seconds since the epoch of a local time, for readable fixed timestamps in tests.
time_t LocalTime(int year, int month, int day, int hour, int minute, int second = 0);

}  // namespace quillon::test
