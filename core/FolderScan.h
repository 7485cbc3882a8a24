// Folder queries shared by the scan and the file operations. Paths are '/'-separated; the names
// of undo backups ("$diffundo...") and of the transfer tool's markers are never counted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace quillon {

// One entry of a folder listing. Links are described by what they point to; a dangling link is
// a file. An entry whose details cannot be read is kept as a file with size 0 and no time.
struct FolderEntry {
    static constexpr uint8_t kLink = 0x01;
    static constexpr uint8_t kSpecial = 0x02;  // FIFO, socket or device
    static constexpr uint8_t kDangling = 0x04;
    static constexpr int64_t kNoTime = INT64_MIN;

    std::string name;
    bool isFolder = false;
    uint8_t flags = 0;
    uint64_t size = 0;
    int64_t mtime = kNoTime;  // seconds since the epoch; kNoTime when unreadable or not asked
    int error = 0;            // errno of reading the details; 0 when they were read
};

// Reads a folder with one descriptor (openat/fstatat relative to it), so that deep trees do not
// pay a path walk per entry. A folder that cannot be opened lists nothing; Error says why.
class FolderReader {
  public:
    // Closed until Open.
    explicit FolderReader(FileSystem& fs = RealFileSystem()) : fs_(&fs) {}
    explicit FolderReader(const std::string& path, FileSystem& fs = RealFileSystem()) : fs_(&fs) {
        Open(path);
    }
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // Lists `path` from its start; false when it cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // The open folder, for opening its entries relative to it; -1 when closed.
    int Fd() const { return fd_; }
    // The next entry other than "." (".." is returned). With `statFiles` the size and time of
    // files are read; folders are never stat'ed unless their type is unknown. Only an entry
    // that is gone by then is skipped.
    bool Next(FolderEntry& entry, bool statFiles);
    // The errno that stopped the listing (opening or reading it); 0 when it ran to its end.
    int Error() const { return error_; }
    // Releases the descriptor early; Next then lists nothing more.
    void Close();

  private:
    bool Fill();

    FileSystem* fs_;
    int fd_ = -1;
    int error_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
    size_t filled_ = 0;
    size_t pos_ = 0;
};

// True when the folder holds anything a comparison would show. The root always has content.
bool FolderHasContent(const std::string& path, FileSystem& fs = RealFileSystem());
// Whether this one entry makes its folder have content, by the rules of FolderHasContent.
bool IsContentEntry(const FolderEntry& entry);
// Sum of the file sizes in the folder (and below it, with `recurse`); `counter` grows by one per
// file and, with `countFolders`, per folder. Recursion never follows a link to a folder.
uint64_t FolderSizeAndCount(const std::string& path, uint64_t& counter, bool recurse,
                            bool countFolders, FileSystem& fs = RealFileSystem());

// "$diffundo" at the start, compared without case.
bool IsUndoBackupName(std::string_view name);
// A file that never counts as content: an undo backup or a transfer-tool marker
// ("$farlinkfarlinkupdated" at the start), compared without case.
bool IsSkippedContentFileName(std::string_view name);

}  // namespace quillon
