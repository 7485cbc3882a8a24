#include "rename/RenameList.h"

#include <algorithm>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "fileops/FileCopy.h"
#include "platform/FileSystem.h"

namespace quillon {

namespace {

// A link counts as what it points to, so a link to a folder is no file of the list.
bool IsFolderEntry(FileSystem& fs, int folder, const std::string& name) {
    struct stat st {};
    return fs.Stat(folder, name.c_str(), 0, st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<RenameEntry> StandAloneList(FileSystem& fs, const std::vector<std::string>& paths,
                                        int* error) {
    std::vector<RenameEntry> entries;
    if (error != nullptr) {
        *error = 0;
    }
    if (paths.size() == 1 && IsFolderEntry(fs, AT_FDCWD, paths[0])) {
        const std::string& folder = paths[0];
        int fd = -1;
        int failure = fs.Open(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY, 0, fd);
        std::vector<std::string> names;
        if (failure == 0) {
            const FsHandle handle(fs, fd);
            failure = ListNames(fs, fd, names);
            for (const std::string& name : names) {
                if (!IsFolderEntry(fs, fd, name)) {
                    entries.push_back({folder, name, true});
                }
            }
        }
        if (failure != 0) {
            entries.clear();
            if (error != nullptr) {
                *error = failure;
            }
        }
    } else {
        for (const std::string& path : paths) {
            if (!path.empty()) {
                entries.push_back({std::string(DirName(path)), std::string(BaseName(path)), true});
            }
        }
    }
    // Each key made once, not twice per comparison.
    std::vector<std::pair<std::string, size_t>> keys;
    keys.reserve(entries.size());
    for (size_t k = 0; k < entries.size(); ++k) {
        keys.emplace_back(FoldAscii(entries[k].FullPath()), k);
    }
    std::sort(keys.begin(), keys.end());
    std::vector<RenameEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto& key : keys) {
        sorted.push_back(std::move(entries[key.second]));
    }
    return sorted;
}

}  // namespace quillon
