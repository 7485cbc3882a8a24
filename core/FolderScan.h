// Folder queries shared by the scan and the file operations. Paths are '/'-separated; the names
// of undo backups ("$diffundo...") and of the transfer tool's markers are never counted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// True when the folder holds anything a comparison would show. The root always has content.
bool FolderHasContent(const std::string& path);
// Sum of the file sizes in the folder (and below it, with `recurse`); `counter` grows by one per
// file and, with `countFolders`, per folder. Recursion never follows a link to a folder.
uint64_t FolderSizeAndCount(const std::string& path, uint64_t& counter, bool recurse,
                            bool countFolders);

// "$diffundo" at the start, compared without case.
bool IsUndoBackupName(std::string_view name);

}  // namespace quillon
