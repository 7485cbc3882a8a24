#include "fileops/DropRules.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "core/DiffItem.h"
#include "fileops/CopyFilesDirsTo.h"
#include "fileops/CopyToPane.h"
#include "fileops/FileCopy.h"
#include "platform/FileSystem.h"
#include "platform/FileText.h"

namespace quillon {

namespace {

bool StatOf(FileSystem& fs, const std::string& path, struct stat& st, bool follow) {
    return fs.Stat(AT_FDCWD, path.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW, st) == 0;
}

}  // namespace

std::string FilterFolderQuestion(const char* format, const char* tail, int folders) {
    return StringPrintf(format, folders, folders > 1 ? "s have" : " has") + tail;
}

std::string DropFolder(const DiffItem& row, int side, const std::string& openedPath) {
    return openedPath.empty() ? std::string() : FolderForRowEntries(row, side, openedPath);
}

bool IsDroppedTextFile(const std::string& path) {
    const int encoding = DetectTextEncoding(path).encoding;
    return encoding >= 0 && encoding != kEncodingBinary;
}

bool FolderContains(FileSystem& fs, const std::string& folder, const std::string& inner) {
    struct stat outer {};
    if (!StatOf(fs, folder, outer, false) || !S_ISDIR(outer.st_mode)) {
        return false;
    }
    for (std::string at = inner;; at = std::string(DirName(at))) {
        struct stat st {};
        if (StatOf(fs, at, st, true) && SameFile(st, outer)) {
            return true;
        }
        if (at.empty() || IsRootPath(at) || at.find(kPathSep) == std::string::npos) {
            return false;
        }
    }
}

bool InsideDropAllowed(FileSystem& fs, const DiffItem* target, int targetPane,
                       const std::string& targetOpenedPath, int sourcePane,
                       const std::vector<const DiffItem*>& dragged,
                       const std::vector<std::string>& draggedPaths) {
    if (target == nullptr) {
        return false;
    }
    if (targetPane == sourcePane) {
        for (const DiffItem* row : dragged) {
            if (row == target || row->parent == target) {
                return false;
            }
        }
    }
    const std::string folder = DropFolder(*target, targetPane, targetOpenedPath);
    return std::none_of(draggedPaths.begin(), draggedPaths.end(),
                        [&](const std::string& path) { return FolderContains(fs, path, folder); });
}

std::optional<DropRefusal> CheckDrop(FileSystem& fs, const std::string& openedPath,
                                     const std::string& folder,
                                     const std::vector<std::string>& paths, bool copy) {
    const std::string first = paths.empty() ? std::string() : std::string(BaseName(paths[0]));
    if (openedPath.empty()) {
        return DropRefusal{StringPrintf(kDropEmptyViewFormat, first), kCopyErrorCaption};
    }
    // A folder the pane lacks yet is made by the drop before it copies; only one that cannot
    // be worked out from the tree, or a name taken by something else, stops it.
    struct stat there {};
    const int missing = fs.Stat(AT_FDCWD, folder.c_str(), AT_SYMLINK_NOFOLLOW, there);
    if (folder.empty() || (missing == 0 && !S_ISDIR(there.st_mode)) ||
        (missing != 0 && missing != ENOENT)) {
        return DropRefusal{kDropMissingParentText, ""};
    }
    for (const std::string& path : paths) {
        const std::string name(BaseName(path));
        if (!copy) {
            struct stat from {};
            struct stat to {};
            if (StatOf(fs, std::string(DirName(path)), from, true) &&
                StatOf(fs, folder, to, true) && SameFile(from, to)) {
                return DropRefusal{StringPrintf(kMoveSameFolderFormat, name), kMoveErrorCaption};
            }
        }
        if (FolderContains(fs, path, folder)) {
            return copy
                       ? DropRefusal{StringPrintf(kCopyUnderSourceFormat, name), kCopyErrorCaption}
                       : DropRefusal{StringPrintf(kMoveUnderSourceFormat, name), kMoveErrorCaption};
        }
    }
    return std::nullopt;
}

}  // namespace quillon
