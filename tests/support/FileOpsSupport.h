// What the file-operation tests share: a replace asker, rows found by path, and a tree read back
// with every backup under its original name.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/Comparison.h"
#include "fileops/CopyFilesDirsTo.h"
#include "fileops/UndoJournal.h"
#include "support/TestDir.h"

namespace quillon::test {

// Answers every replace question with `answer` and records the names asked about.
struct FakeAsker : ReplaceAsker {
    int AskReplace(const ReplaceQuestion& question) override {
        asked.push_back(question.name);
        return answer;
    }
    int answer = mbr::kYes;
    std::vector<std::string> asked;
};

// The row at a '/'-separated path of names, folders on the way expanded ("..": the up row).
inline DiffItem* RowAt(Comparison& cmp, const std::string& path, DiffItem* holder = nullptr) {
    holder = holder ? holder : cmp.rootItem;
    const size_t slash = path.find('/');
    const std::string name = path.substr(0, slash);
    DiffItem* item =
        name == ".." ? holder->firstChild : FindChild(holder, slash == path.npos, name);
    item = item ? item : FindChild(holder, 0, name);
    if (slash != path.npos && item && !item->firstChild) {
        cmp.ExpandFolder(item, item->row, false);
    }
    return slash == path.npos || !item ? item : RowAt(cmp, path.substr(slash + 1), item);
}

// The files below `relative` by the names they have or had before a backup took them ("twice": a
// file both at its name and in a backup); `aside` counts the files found in backups.
inline std::map<std::string, std::string> ByOriginalName(const TestDir& dir,
                                                         const std::string& relative = "",
                                                         int* aside = nullptr) {
    std::map<std::string, std::string> files;
    const std::string prefix = relative.empty() ? "" : relative + "/";
    for (const std::string& path : dir.List(relative)) {
        if (path.ends_with("/")) {
            continue;
        }
        std::string original;
        bool backedUp = false;
        for (size_t start = 0, end = 0; end < path.size(); start = end + 1) {
            end = std::min(path.find('/', start), path.size());
            const auto backup = ParseBackupName(path.substr(start, end - start));
            backedUp |= backup.has_value();
            original +=
                (start ? "/" : "") + (backup ? backup->original : path.substr(start, end - start));
        }
        files[original] = files.contains(original) ? "twice" : dir.ReadFile(prefix + path);
        if (aside != nullptr) {
            *aside += backedUp;
        }
    }
    return files;
}

}  // namespace quillon::test
