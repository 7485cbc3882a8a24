#include "fileops/UndoRun.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "fileops/FileCopy.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "platform/RunContext.h"

namespace quillon {

namespace {

// FNV-1a over the fields that say whether an entry is still the one the operation left.
struct Hasher {
    uint64_t hash = 1469598103934665603ULL;
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ULL;
        }
    }
    void Add(uint64_t value) { Add(&value, sizeof value); }
    // A folder's own time is left out: its entries say what it holds, and it changes when a
    // name is merely looked up in some file systems' views.
    // The entries inside a folder are known by what they hold, not by their inode: a merge
    // below it that was undone puts back copies (new inodes, same bytes and times).
    void Add(const struct stat& st, bool identity = true) {
        Add(static_cast<uint64_t>(st.st_mode & S_IFMT));
        if (identity) {
            Add(static_cast<uint64_t>(st.st_dev));
            Add(static_cast<uint64_t>(st.st_ino));
        }
        if (!S_ISDIR(st.st_mode)) {
            Add(static_cast<uint64_t>(st.st_size));
            Add(static_cast<uint64_t>(st.st_mtim.tv_sec));
            Add(static_cast<uint64_t>(st.st_mtim.tv_nsec));
        }
    }
};

bool OpenFolderNoFollow(FileSystem& fs, int at, const char* name, FsHandle& handle) {
    int fd = -1;
    if (fs.Open(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0, fd) != 0) {
        return false;
    }
    handle = FsHandle(fs, fd);
    return true;
}

bool HashTree(FileSystem& fs, int folder, dev_t device, Hasher& hasher) {
    std::vector<std::string> names;
    if (ListNames(fs, folder, names) != 0) {
        return false;
    }
    for (const std::string& name : names) {
        struct stat st {};
        if (fs.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
            return false;
        }
        hasher.Add(name.c_str(), name.size() + 1);
        hasher.Add(st, false);
        FsHandle sub;
        if (S_ISDIR(st.st_mode) && st.st_dev == device &&
            (!OpenFolderNoFollow(fs, folder, name.c_str(), sub) ||
             !HashTree(fs, sub.Get(), device, hasher))) {
            return false;
        }
    }
    return true;
}

bool ListTree(FileSystem& fs, int folder, dev_t device, const std::string& prefix,
              std::vector<std::string>& entries) {
    std::vector<std::string> names;
    if (ListNames(fs, folder, names) != 0) {
        return false;
    }
    bool all = true;
    for (const std::string& name : names) {
        if (StartsWithNoCase(name, "$diff")) {
            continue;
        }
        struct stat st {};
        if (fs.Stat(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
            all = false;
            continue;
        }
        const std::string relative = prefix + name;
        if (!S_ISDIR(st.st_mode)) {
            entries.push_back(relative);
            continue;
        }
        entries.push_back(relative + kPathSep);
        FsHandle sub;
        if (st.st_dev == device) {
            all = OpenFolderNoFollow(fs, folder, name.c_str(), sub) &&
                  ListTree(fs, sub.Get(), device, relative + kPathSep, entries) && all;
        }
    }
    return all;
}

// 0, or the errno of a look that could not tell.
int Look(FileSystem& fs, const std::string& path, struct stat& st) {
    return path.empty() ? ENOENT : fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st);
}

bool Absent(FileSystem& fs, const std::string& path) {
    struct stat st {};
    return Look(fs, path, st) == ENOENT;
}

void Fail(UndoScope& scope, const std::string& text) {
    Log("%s", text.c_str());
    PromptRequest request;
    request.text = text;
    request.style = mb::kOk;
    scope.prompter.Ask(request);
}

// Renames the item at `path` to a "$diffundo" name of its own in its folder, under a number no
// operation of this run has, so that it shares no name with any backup.
int MoveAside(UndoScope& scope, const std::string& path, std::string& aside) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        aside =
            BackupName(path, scope.journal.RunTag, ++RunContext::Current().undoOperationCounter);
        error = MoveNoReplace(scope.ctx.fs, path, aside);
    }
    if (error != 0) {
        aside.clear();
    }
    return error;
}

int SideOf(const UndoRecord& record) {
    return record.Side == 1 ? 1 : 0;
}

bool UndoDelete(UndoScope& scope, UndoRecord& r) {
    FileSystem& fs = scope.ctx.fs;
    const auto back = [&fs](const std::string& from, const std::string& to) {
        return from.empty() ? ENOENT : MoveNoReplace(fs, from, to);
    };
    if (r.Side == 2) {
        // A row that only one pane held was deleted from that pane alone; its other half is
        // empty and has nothing to put back.
        const auto half = [&](int s) {
            return r.Tmp(s).empty() && r.Org(s).empty() ? 0 : back(r.Tmp(s), r.Org(s));
        };
        const int left = half(0);
        const int right = half(1);
        if (left == 0 && right == 0) {
            return true;
        }
        if (left != 0 && right != 0) {
            Fail(scope, StringPrintf(kUndoFailBothMoves, r.OpNumber, r.Tmp1.c_str(), r.Org1.c_str(),
                                     r.Tmp2.c_str(), r.Org2.c_str(), kUndoStaysText));
            return false;
        }
        // The half that came back is done with; the other stays to be undone again.
        const int failed = left != 0 ? 0 : 1;
        r.Side = failed;
        r.Org(1 - failed).clear();
        r.Tmp(1 - failed).clear();
    }
    const int s = SideOf(r);
    if (back(r.Tmp(s), r.Org(s)) != 0) {
        Fail(scope, StringPrintf(kUndoFailMoveBack, r.OpNumber, r.Tmp(s).c_str(), r.Org(s).c_str(),
                                 kUndoStaysText));
        return false;
    }
    return true;
}

// The backup of what a copy replaced goes back to the destination; it never replaces anything.
bool RestoreBackup(UndoScope& scope, UndoRecord& r, const std::string& backup,
                   const std::string& destination) {
    if (MoveNoReplace(scope.ctx.fs, backup, destination) != 0) {
        Fail(scope, StringPrintf(kUndoFailRestore, r.OpNumber, backup.c_str(), destination.c_str(),
                                 kUndoStaysText));
        return false;
    }
    return true;
}

// Backups of other operations that lie inside a merged folder are no part of its backup (a copy
// skips them); they go back into the folder that the backup restored.
bool CarryBackups(FileSystem& fs, const std::string& from, const std::string& to) {
    FsHandle folder;
    std::vector<std::string> names;
    if (!OpenFolderNoFollow(fs, AT_FDCWD, from.c_str(), folder) ||
        ListNames(fs, folder.Get(), names) != 0) {
        return false;
    }
    bool all = true;
    for (const std::string& name : names) {
        const std::string source = JoinPath(from, name);
        const std::string destination = JoinPath(to, name);
        struct stat st {};
        if (StartsWithNoCase(name, "$diff")) {
            all =
                MakeFolderChain(fs, to) == 0 && MoveNoReplace(fs, source, destination) == 0 && all;
        } else if (Look(fs, source, st) != 0) {
            all = false;
        } else if (S_ISDIR(st.st_mode)) {
            all = CarryBackups(fs, source, destination) && all;
        }
    }
    return all;
}

bool UndoCopy(UndoScope& scope, UndoRecord& r) {
    FileSystem& fs = scope.ctx.fs;
    const int s = r.Side;
    const std::string destination = r.Org(s);
    const std::string backup = r.Tmp(1 - s);
    const bool hasBackup = IsBackupPath(backup) && PathExistsLoose(fs, backup);
    struct stat st {};
    std::string aside;
    bool own = false;
    int error = Look(fs, destination, st);
    if (error == 0) {
        own = r.Made != 0 && MadeFingerprint(fs, destination) == r.Made;
        // Out of the way in one step: the destination is then free for the backup, and what is
        // not removed below stays under a "$diffundo" name.
        error = MoveAside(scope, destination, aside);
    } else if (error == ENOENT) {
        error = 0;
    }
    if (error != 0) {
        Fail(scope,
             StringPrintf(r.ItemType == kItemDir ? kUndoFailDeleteFolder : kUndoFailRemoveFile,
                          r.OpNumber, hasBackup ? 2 : 1, destination.c_str(), kUndoStaysText));
        return false;
    }
    const bool restored = !hasBackup || RestoreBackup(scope, r, backup, destination);
    if (aside.empty()) {
        return restored;
    }
    const bool folder = S_ISDIR(st.st_mode);
    // A merged folder whose backup has gone holds the only copy of what the folder held before.
    bool keep = !own || (folder && !backup.empty() &&
                         (!restored || !hasBackup || !CarryBackups(fs, aside, destination)));
    if (!keep) {
        keep = !(folder ? DeleteFolderTree(fs, aside) : DeleteFileForced(fs, aside));
    }
    if (keep) {
        r.Aside = aside;
        Log("OP#[%.4d] %s %s; kept as %s", r.OpNumber, destination.c_str(),
            own ? "was not removed whole" : "changed after it was copied", aside.c_str());
    }
    return restored;
}

// A folder moved into one that existed: the moved entries go back to the source, then the
// backup gives back what they replaced, and the folders the move made go when empty.
bool UndoMergedMove(UndoScope& scope, UndoRecord& r, const std::string& destination,
                    const std::string& source, const std::string& backup) {
    FileSystem& fs = scope.ctx.fs;
    bool all = MakeFolderChain(fs, source) == 0;
    std::set<std::string> movedFiles;
    for (const std::string& entry : r.Entries) {
        if (!all) {
            break;
        }
        const std::string to = JoinPath(source, entry);
        if (entry.back() == kPathSep) {
            const int error = fs.MakeFolder(AT_FDCWD, to.c_str(), 0777);
            all = error == 0 || error == EEXIST;
            continue;
        }
        movedFiles.insert(entry);
        const std::string from = JoinPath(destination, entry);
        struct stat st {};
        const int error = Look(fs, from, st);
        if (error == ENOENT) {
            continue;  // never moved, or already back
        }
        // A name taken at the source again is never replaced.
        all = error == 0 && MoveNoReplace(fs, from, to) == 0;
    }
    if (!all) {
        Fail(scope, StringPrintf(kUndoFailMoveBack, r.OpNumber, destination.c_str(), source.c_str(),
                                 kUndoStaysText));
        return false;
    }
    std::vector<std::string> saved;
    ListTreeEntries(fs, backup, saved);
    for (const std::string& entry : saved) {
        const std::string to = JoinPath(destination, entry);
        const std::string from = JoinPath(backup, entry);
        if (entry.back() == kPathSep) {
            const int error = fs.MakeFolder(AT_FDCWD, to.c_str(), 0777);
            all = (error == 0 || error == EEXIST) && all;
        } else if (Absent(fs, to)) {
            all = MoveNoReplace(fs, from, to) == 0 && all;
        } else if (movedFiles.count(entry) != 0) {
            // A moved item that stayed (its source name was taken) still holds the place of the
            // one it replaced, which so stays in the backup.
            all = false;
        } else {
            // Never touched by the move: the item itself is still in place.
            DeleteFileForced(fs, from);
        }
    }
    if (!all) {
        Fail(scope, StringPrintf(kUndoFailRestore, r.OpNumber, backup.c_str(), destination.c_str(),
                                 kUndoStaysText));
        return false;
    }
    for (auto it = r.Entries.rbegin(); it != r.Entries.rend(); ++it) {
        if (it->back() == kPathSep && Absent(fs, JoinPath(backup, *it))) {
            fs.RemoveFolder(AT_FDCWD, JoinPath(destination, *it).c_str());
        }
    }
    DeleteFolderTree(fs, backup);
    return true;
}

// A move goes back to where it came from, and what it replaced comes back; nothing is deleted.
bool UndoMove(UndoScope& scope, UndoRecord& r) {
    FileSystem& fs = scope.ctx.fs;
    const int s = r.Side;
    const std::string destination = r.Org(s);
    const std::string source = r.Tmp(s);
    const std::string backup = r.Tmp(1 - s);
    const bool hasBackup = IsBackupPath(backup) && PathExistsLoose(fs, backup);
    if (r.ItemType == kItemDir && hasBackup) {
        return UndoMergedMove(scope, r, destination, source, backup);
    }
    struct stat st {};
    int error = Look(fs, destination, st);
    if (error == 0) {
        error = MoveNoReplace(fs, destination, source);
    } else if (error == ENOENT && !Absent(fs, source)) {
        error = 0;
    }
    if (error != 0) {
        Fail(scope, StringPrintf(kUndoFailMoveBack, r.OpNumber, destination.c_str(), source.c_str(),
                                 kUndoStaysText));
        return false;
    }
    return !hasBackup || RestoreBackup(scope, r, backup, destination);
}

bool UndoRename(UndoScope& scope, UndoRecord& r) {
    const int s = SideOf(r);
    if (r.Tmp(s).empty() || MoveNoReplace(scope.ctx.fs, r.Tmp(s), r.Org(s)) != 0) {
        Fail(scope, StringPrintf(kUndoFailMoveBack, r.OpNumber, r.Tmp(s).c_str(), r.Org(s).c_str(),
                                 kUndoStaysText));
        return false;
    }
    if (r.ItemType == kItemDir) {
        RetargetUndoPaths(scope.journal, r, true);
    }
    return true;
}

bool UndoCreateDir(UndoScope& scope, UndoRecord& r) {
    if (r.ItemType == kItemFile) {
        return false;
    }
    const std::string& folder = r.Tmp(SideOf(r));
    // Only an empty folder goes: whatever was put in it since is somebody's.
    const int error = folder.empty() ? ENOENT : scope.ctx.fs.RemoveFolder(AT_FDCWD, folder.c_str());
    if (error != 0 && error != ENOENT) {
        Fail(scope,
             StringPrintf(kUndoFailRemoveFolder, r.OpNumber, folder.c_str(), kUndoStaysText));
        return false;
    }
    return true;
}

size_t Depth(const std::string& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), kPathSep));
}

// The items of a group: its children in list order, or the group itself.
template <typename Record>
std::vector<Record*> Items(Record& group) {
    std::vector<Record*> items;
    if (group.ChildCount() == 0) {
        items.push_back(&group);
    }
    for (const std::unique_ptr<UndoRecord>& child : group.Children) {
        items.push_back(child.get());
    }
    return items;
}

std::unique_ptr<UndoRecord> CopyRecord(const UndoRecord& r) {
    auto copy = std::make_unique<UndoRecord>();
    static_cast<UndoFields&>(*copy) = r;
    return copy;
}

const char* Pick(const char* const* labels, int count, int index) {
    return index >= 0 && index < count ? labels[index] : "";
}

constexpr const char* kKindLabels[] = {"\tDelete", "\tCopy", "\tRename", "\tCreateDir"};
constexpr const char* kDetailKindLabels[] = {"\tDelete", "\tCopy", "\tRename", "\tDirCreate"};
constexpr const char* kSideLabels[] = {"\tLeft", "\tRight", "\tBoth"};
constexpr const char* kTypeLabels[] = {"\tDir", "\tFile"};
constexpr const char* kDumpActions[] = {"Delete in ", "Copy to ", "Rename in ", "Create dir in "};
constexpr const char* kDumpSides[] = {"Left view", "Right view", "Both view"};
constexpr const char* kHistoryActions[] = {"Delete (from ", "Copy (to ", "Rename (in ",
                                           "Create (in "};
constexpr const char* kHistorySides[] = {"Left)", "Right)", "Both)"};

std::string DumpDetail(const UndoRecord& r, const std::string& tag) {
    const int s = SideOf(r);
    const std::string head = "\t[" + tag + "]\t";
    switch (r.Kind) {
        case kUndoRename:
            return head + "from [" + r.Org(s) + "] to [" + r.Tmp(s) + "]";
        case kUndoCreateDir:
            return head + "[" + r.Tmp(s) + "]";
        case kUndoCopy: {
            std::string text = head + "from [" + r.Tmp(s) + "] to [" + r.Org(s) + "]";
            if (!r.Tmp(1 - s).empty()) {
                text += "\n\t\t\tExisting file backed-up to [" + r.Tmp(1 - s) + "]";
            }
            return text;
        }
        case kUndoDelete:
            if (r.Side == 2) {
                return head + "from 1 [" + r.Org1 + "]\n\t\t\tBacked up to 1 [" + r.Tmp1 + "]\n" +
                       head + "from 2 [" + r.Org2 + "]\n\t\t\tBacked up to 2 [" + r.Tmp2 + "]";
            }
            return head + "from [" + r.Org(s) + "]\n\t\t\tBacked up to [" + r.Tmp(s) + "]";
        default:
            return {};
    }
}

std::string HistoryDetailOf(const UndoRecord& r) {
    const int s = SideOf(r);
    switch (r.Kind) {
        case kUndoDelete:
            if (r.Side == 2) {
                return "\tFrom 1 [" + r.Org1 + "]\n\tBacked up to 1 [" + r.Tmp1 + "]\n\tFrom 2 [" +
                       r.Org2 + "]\n\tBacked up to 2 [" + r.Tmp2 + "]\n";
            }
            return "\tFrom [" + r.Org(s) + "]\n\tBacked up to [" + r.Tmp(s) + "]\n";
        case kUndoCopy: {
            std::string text = "\tFrom [" + r.Tmp(s) + "]\n\tTo [" + r.Org(s) + "]\n";
            if (!r.Tmp(1 - s).empty()) {
                text += "\tExisting file backed-up to [" + r.Tmp(1 - s) + "]\n";
            }
            return text;
        }
        case kUndoRename:
            return "\tFrom [" + r.Org(s) + "]\n\tTo [" + r.Tmp(s) + "]\n";
        case kUndoCreateDir:
            return "\t[" + r.Tmp(s) + "]\n";
        default:
            return {};
    }
}

std::string HistoryItem(const UndoRecord& r) {
    if (r.Side == 2) {
        return r.Org1 + " / " + r.Org2;
    }
    return r.Kind == kUndoCreateDir ? r.Tmp(SideOf(r)) : r.Org(SideOf(r));
}

}  // namespace

uint64_t MadeFingerprint(FileSystem& fs, const std::string& path) {
    struct stat st {};
    if (Look(fs, path, st) != 0) {
        return 0;
    }
    Hasher hasher;
    // A folder is known by what it holds: a merge into it that was undone put back a copy of
    // the folder, under a new inode.
    hasher.Add(st, !S_ISDIR(st.st_mode));
    FsHandle folder;
    if (S_ISDIR(st.st_mode) && (!OpenFolderNoFollow(fs, AT_FDCWD, path.c_str(), folder) ||
                                !HashTree(fs, folder.Get(), st.st_dev, hasher))) {
        return 0;
    }
    return hasher.hash == 0 ? 1 : hasher.hash;
}

bool ListTreeEntries(FileSystem& fs, const std::string& path, std::vector<std::string>& entries) {
    FsHandle folder;
    struct stat st {};
    return OpenFolderNoFollow(fs, AT_FDCWD, path.c_str(), folder) &&
           fs.Fstat(folder.Get(), st) == 0 && ListTree(fs, folder.Get(), st.st_dev, "", entries);
}

bool UndoItem(UndoScope& scope, UndoRecord& record) {
    if (record.ItemType != kItemDir && record.ItemType != kItemFile) {
        return true;
    }
    switch (record.Kind) {
        case kUndoDelete:
            return UndoDelete(scope, record);
        case kUndoCopy:
            if (record.Side != 0 && record.Side != 1) {
                return true;
            }
            return record.Moved ? UndoMove(scope, record) : UndoCopy(scope, record);
        case kUndoRename:
            return UndoRename(scope, record);
        case kUndoCreateDir:
            return UndoCreateDir(scope, record);
        default:
            return true;
    }
}

bool RedoItem(FileOpsContext& ctx, UndoRecord& r) {
    FileSystem& fs = ctx.fs;
    const int s = SideOf(r);
    switch (r.Kind) {
        case kUndoDelete: {
            bool result = true;
            for (int side = 0; side < 2; ++side) {
                if (r.Side == side || r.Side == 2) {
                    result = r.ItemType == kItemDir ? DeleteFolderTree(fs, r.Org(side))
                                                    : DeleteFileForced(fs, r.Org(side));
                }
            }
            return result;
        }
        case kUndoCopy: {
            if (r.Side != 0 && r.Side != 1) {
                return true;
            }
            const std::string& source = r.Tmp(s);
            const std::string& destination = r.Org(s);
            struct stat st {};
            if (Look(fs, source, st) != 0) {
                return false;
            }
            if (!S_ISDIR(st.st_mode)) {
                if (r.Moved) {
                    return MoveFileOrLink(ctx, source, destination) == 0;
                }
                return (S_ISLNK(st.st_mode)
                            ? CopyLink(fs, source, destination)
                            : CopyFileCreatingParent(ctx, source, destination)) == 0;
            }
            if (r.Moved && fs.Rename(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(),
                                     RENAME_NOREPLACE) == 0) {
                return true;
            }
            return CopyFolderTree(ctx, source, destination, true, r.Moved) != kTreeCopiedNone;
        }
        case kUndoRename:
            return !r.Org(s).empty() && !r.Tmp(s).empty() &&
                   MoveNoReplace(fs, r.Org(s), r.Tmp(s)) == 0;
        case kUndoCreateDir: {
            if (r.ItemType == kItemFile || r.Tmp(s).empty()) {
                return false;
            }
            return MakeFolderChain(fs, r.Tmp(s)) == 0;
        }
        default:
            return true;
    }
}

bool UndoGroup(UndoScope& scope, UndoRecord& group) {
    std::vector<UndoRecord*> items = Items(group);
    // A created folder can only go once what was made in it has gone: after every other item,
    // the deepest first.
    std::stable_partition(items.begin(), items.end(),
                          [](const UndoRecord* r) { return r->Kind != kUndoCreateDir; });
    const auto made = std::find_if(items.begin(), items.end(),
                                   [](const UndoRecord* r) { return r->Kind == kUndoCreateDir; });
    std::stable_sort(made, items.end(), [](const UndoRecord* a, const UndoRecord* b) {
        return Depth(a->Tmp(SideOf(*a))) > Depth(b->Tmp(SideOf(*b)));
    });
    std::set<const UndoRecord*> undone;
    for (UndoRecord* item : items) {
        if (UndoItem(scope, *item)) {
            undone.insert(item);
        }
    }
    if (undone.size() == items.size()) {
        return true;
    }
    // A second undo of an item that went back would take the item itself for its copy.
    std::erase_if(group.Children, [&undone](const std::unique_ptr<UndoRecord>& child) {
        return undone.count(child.get()) != 0;
    });
    return false;
}

bool RedoGroup(FileOpsContext& ctx, UndoRecord& group) {
    bool last = true;
    for (UndoRecord* item : Items(group)) {
        last = RedoItem(ctx, *item);
    }
    return last;
}

std::unique_ptr<UndoRecord> CopyGroup(const UndoRecord& group, bool reversed) {
    std::unique_ptr<UndoRecord> copy = CopyRecord(group);
    for (const std::unique_ptr<UndoRecord>& child : group.Children) {
        if (reversed) {
            copy->Children.push_front(CopyRecord(*child));
        } else {
            copy->Children.push_back(CopyRecord(*child));
        }
    }
    return copy;
}

std::vector<AffectedRow> AffectedRows(const UndoRecord& group) {
    std::vector<AffectedRow> rows;
    for (const UndoRecord* r : Items(group)) {
        if (r->Side < 0 || r->Side > 2) {
            continue;
        }
        const int k = r->Side == 2 ? 0 : r->Side;
        // A copy's row is its source's, in the other pane: what is left of it after the undo.
        AffectedRow row{r->Kind == kUndoCopy ? 1 - k : k,
                        r->Kind == kUndoCopy ? r->Tmp(k) : r->Org(k), r->ItemType};
        if (!row.path.empty()) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::string UndoInternalsText(const UndoJournal& journal) {
    std::string text;
    int lines = 0;
    for (const std::unique_ptr<UndoRecord>& group : journal.undoList) {
        if (lines >= kUndoInternalsLines) {
            break;
        }
        text += std::to_string(group->OpNumber) + Pick(kKindLabels, 4, group->Kind) +
                Pick(kSideLabels, 3, group->Side);
        ++lines;
        const UndoRecord& first = group->ChildCount() > 0 ? *group->Children.front() : *group;
        text += std::string(Pick(kTypeLabels, 2, first.ItemType)) + "\n";
        if (!first.Org1.empty()) {
            text += "\tOrg1 [" + first.Org1 + "]\n\tTmp1 [" + first.Tmp1 + "]\n";
            lines += 2;
        }
        if (!first.Org2.empty()) {
            text += "\tOrg2 [" + first.Org2 + "]\n\tTmp2 [" + first.Tmp2 + "]\n";
            lines += 2;
        }
        if (group->ChildCount() > 1) {
            text += StringPrintf("\t... (%d more file operations...)\n", group->ChildCount() - 1);
        } else {
            text += "\n";
        }
        ++lines;
    }
    if (text.empty()) {
        return kNoUndoHistory;
    }
    if (lines >= kUndoInternalsLines) {
        text += std::string("\n") + kUndoAndMore;
    }
    return text;
}

std::vector<std::string> UndoDumpEntries(const UndoJournal& journal) {
    std::vector<std::string> entries;
    for (const std::unique_ptr<UndoRecord>& group : journal.undoList) {
        const int count = group->ChildCount();
        entries.push_back(StringPrintf(
            "%s\t%s (%s files)", StringPrintf("%.4d:", group->OpNumber).c_str(),
            (std::string(Pick(kDumpActions, 4, group->Kind)) + Pick(kDumpSides, 3, group->Side))
                .c_str(),
            std::to_string(count > 0 ? count : 1).c_str()));
        if (count == 0) {
            entries.push_back(DumpDetail(*group, "#001"));
            continue;
        }
        std::string detail;
        for (int i = 1; i <= count; ++i) {
            detail +=
                DumpDetail(*group->Children[static_cast<size_t>(i - 1)], StringPrintf("#%.3d", i));
            if (i < count) {
                detail += "\n";
            }
        }
        entries.push_back(std::move(detail));
    }
    return entries;
}

std::vector<UndoHistoryRow> UndoHistoryRows(const UndoJournal& journal) {
    std::vector<UndoHistoryRow> rows;
    for (const std::unique_ptr<UndoRecord>& group : journal.undoList) {
        UndoHistoryRow row{group->OpNumber,
                           std::string(Pick(kHistoryActions, 4, group->Kind)) +
                               Pick(kHistorySides, 3, group->Side),
                           std::to_string(group->ChildCount() > 0 ? group->ChildCount() : 1),
                           {}};
        if (group->ChildCount() == 0) {
            row.items = HistoryItem(*group);
        }
        for (const std::unique_ptr<UndoRecord>& child : group->Children) {
            row.items += HistoryItem(*child);
            if (group->ChildCount() >= 2) {
                row.items += "; ";
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string UndoHistoryDetail(const UndoJournal& journal, const std::vector<int>& rows) {
    if (rows.empty()) {
        return kNoUndoSelected;
    }
    std::string text;
    for (const int index : rows) {
        if (index < 0 || static_cast<size_t>(index) >= journal.undoList.size()) {
            continue;
        }
        const UndoRecord& group = *journal.undoList[static_cast<size_t>(index)];
        text += std::to_string(group.OpNumber) + Pick(kDetailKindLabels, 4, group.Kind) +
                Pick(kSideLabels, 3, group.Side);
        if (group.ChildCount() == 0) {
            text += std::string(Pick(kTypeLabels, 2, group.ItemType)) + "\n" +
                    HistoryDetailOf(group) + "\n";
            continue;
        }
        text += Pick(kTypeLabels, 2, group.Children.front()->ItemType);
        for (const std::unique_ptr<UndoRecord>& child : group.Children) {
            text += "\n" + HistoryDetailOf(*child);
        }
    }
    return text;
}

}  // namespace quillon
