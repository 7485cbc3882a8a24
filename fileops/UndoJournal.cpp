#include "fileops/UndoJournal.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "base/PathUtil.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoRun.h"
#include "platform/Log.h"
#include "platform/ProgressSink.h"
#include "platform/RunContext.h"

namespace quillon {

bool IsBackupPath(std::string_view path) {
    return !path.empty() && BaseName(path).substr(0, kUndoMarker.size()) == kUndoMarker;
}

int MoveNoReplace(FileSystem& fs, const std::string& from, const std::string& to) {
    int error = fs.Rename(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (error == EINVAL) {
        if ((error = fs.Link(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0)) == 0 &&
            (error = fs.Unlink(AT_FDCWD, from.c_str())) != 0) {
            fs.Unlink(AT_FDCWD, to.c_str());
        }
    }
    return error;
}

namespace {

// Strictly there: an item that cannot even be looked at is never taken as present.
bool Present(FileSystem& fs, const std::string& path) {
    struct stat st {};
    return fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st) == 0;
}

bool DeleteBackup(FileSystem& fs, const std::string& path, bool folder) {
    if (!IsBackupPath(path)) {
        return false;
    }
    return folder ? DeleteFolderTree(fs, path) : DeleteFileForced(fs, path);
}

}  // namespace

std::string MakeRunTag(std::string_view logStamp, time_t now) {
    std::string stamp(logStamp);
    if (stamp.empty()) {
        struct tm local {};
        localtime_r(&now, &local);
        char text[32];
        std::snprintf(text, sizeof text, "%.2d%.2d_%.2d%.2d%.2d", local.tm_mon + 1, local.tm_mday,
                      local.tm_hour, local.tm_min, local.tm_sec);
        stamp = text;
    }
    std::string tag;
    for (const char c : stamp) {
        if (c >= '0' && c <= '9') {
            tag += c;
        }
    }
    return tag;
}

std::string BackupName(std::string_view path, std::string_view runTag, int32_t opNumber) {
    char number[16];
    std::snprintf(number, sizeof number, "%.4d", opNumber);
    return JoinPath(DirName(path), std::string(kUndoMarker) + std::string(runTag) + number + "$" +
                                       std::string(BaseName(path)));
}

std::optional<BackupNameParts> ParseBackupName(std::string_view name) {
    if (!name.starts_with(kUndoMarker)) {
        return std::nullopt;
    }
    const std::string_view rest = name.substr(kUndoMarker.size());
    const size_t dollar = rest.find('$');
    // At least four digits of number and at most the ten of the largest one.
    if (dollar == std::string_view::npos || dollar < kRunTagDigits + 4 ||
        dollar > kRunTagDigits + 10) {
        return std::nullopt;
    }
    const std::string_view digits = rest.substr(0, dollar);
    const std::string_view number = digits.substr(kRunTagDigits);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        (number.size() > 4 && number[0] == '0')) {
        return std::nullopt;
    }
    const int64_t op = std::stoll(std::string(number));
    const std::string_view original = rest.substr(dollar + 1);
    if (op > INT32_MAX || original.empty() || original == "." || original == ".." ||
        original.find(kPathSep) != std::string_view::npos) {
        return std::nullopt;
    }
    return BackupNameParts{std::string(digits.substr(0, kRunTagDigits)), static_cast<int32_t>(op),
                           std::string(original)};
}

std::unique_ptr<UndoRecord> UndoJournal::NewGroupRecord() const {
    auto group = std::make_unique<UndoRecord>();
    group->RunTag = RunTag;
    group->OpNumber = ++RunContext::Current().undoOperationCounter;
    return group;
}

std::unique_ptr<UndoRecord> UndoJournal::NewItemRecord(int32_t itemType, int32_t kind, int32_t side,
                                                       std::string_view org1, std::string_view org2,
                                                       std::string_view tmp1,
                                                       std::string_view tmp2) const {
    auto item = std::make_unique<UndoRecord>();
    item->RunTag = RunTag;
    item->OpNumber = RunContext::Current().undoOperationCounter;
    item->ItemType = itemType;
    item->Kind = kind;
    item->Side = side;
    item->Org1 = org1;
    item->Org2 = org2;
    const std::string_view tmp[2] = {tmp1, tmp2};
    switch (kind) {
        case kUndoDelete:
            for (int s = 0; s < 2; ++s) {
                if ((side == s || side == 2) && !tmp[s].empty()) {
                    item->Tmp(s) = BackupName(JoinPath(DirName(item->Org(s)), BaseName(tmp[s])),
                                              RunTag, item->OpNumber);
                }
            }
            break;
        case kUndoCopy:
            if (item->Org1.empty() && item->Org2.empty()) {
                item->Tmp1 = tmp1;
                item->Tmp2 = tmp2;
                break;
            }
            // The backup of a replaced destination carries the destination's own name, which
            // differs from the source's where only the case differs.
            for (int s = 0; s < 2; ++s) {
                const std::string_view given = tmp[1 - s];
                const std::string& replaced = item->Org(side == 0 ? 0 : 1);
                if (!tmp[s].empty()) {
                    item->Tmp(s) = tmp[s];
                } else if (!given.empty()) {
                    const std::string_view name =
                        replaced.empty() ? BaseName(given) : BaseName(replaced);
                    item->Tmp(s) =
                        BackupName(JoinPath(DirName(replaced), name), RunTag, item->OpNumber);
                }
            }
            break;
        case kUndoRename:
        case kUndoCreateDir:
            item->Tmp1 = tmp1;
            item->Tmp2 = tmp2;
            break;
        default:
            break;
    }
    return item;
}

void UndoJournal::Attach(UndoRecord& group, std::unique_ptr<UndoRecord> item) {
    group.Children.push_front(std::move(item));
}

void UndoJournal::Push(std::unique_ptr<UndoRecord> group) {
    undoList.push_front(std::move(group));
}

int PrepareUndoItem(FileOpsContext& ctx, UndoRecord& item) {
    if (item.Kind == kUndoDelete) {
        for (int s = 0; s < 2; ++s) {
            if ((item.Side == s || item.Side == 2) && !item.Tmp(s).empty()) {
                if (const int error = MoveNoReplace(ctx.fs, item.Org(s), item.Tmp(s)); error != 0) {
                    item.Tmp(s).clear();
                    return error;
                }
            }
        }
        return 0;
    }
    if (item.Kind != kUndoCopy || (item.Side != 0 && item.Side != 1)) {
        return 0;
    }
    const std::string& destination = item.Org(item.Side);
    std::string& backup = item.Tmp(1 - item.Side);
    // Only a destination known to be absent needs no backup; one that cannot be looked at fails
    // the item rather than be replaced unseen.
    struct stat st {};
    int error = ctx.fs.Stat(AT_FDCWD, destination.c_str(), AT_SYMLINK_NOFOLLOW, st);
    if (error == ENOENT) {
        backup.clear();
        return 0;
    }
    if (error == 0 && !S_ISDIR(st.st_mode)) {
        error = MoveNoReplace(ctx.fs, destination, backup);
    } else if (error == 0 && (error = ctx.fs.MakeFolder(AT_FDCWD, backup.c_str(), 0700)) == 0) {
        // The merge backup must hold every file the merge could replace, or the merge does not
        // start. The folder was created here, so all of it is this backup's own.
        int failures = 0;
        const int result = CopyFolderTree(ctx, destination, backup, true, false, &failures);
        if (result == kTreeCancelled || failures != 0) {
            DeleteFolderTree(ctx.fs, backup);
            error = result == kTreeCancelled ? ECANCELED : EIO;
        }
    }
    if (error != 0) {
        LogError(error, "Cannot back %s up as %s", destination.c_str(), backup.c_str());
        backup.clear();
    }
    return error;
}

void DiscardUndoItem(FileOpsContext& ctx, UndoRecord& item, bool destinationTouched) {
    if (item.Kind == kUndoDelete) {
        // Only a delete that left its item in place may lose the backup; otherwise the backup
        // is all there is of the item, and it goes back.
        for (int s = 0; s < 2; ++s) {
            if ((item.Side == s || item.Side == 2) && IsBackupPath(item.Tmp(s))) {
                if (!Present(ctx.fs, item.Org(s))) {
                    MoveNoReplace(ctx.fs, item.Tmp(s), item.Org(s));
                } else {
                    DeleteBackup(ctx.fs, item.Tmp(s), item.ItemType == kItemDir);
                }
            }
        }
        return;
    }
    if (item.Kind != kUndoCopy || (item.Side != 0 && item.Side != 1)) {
        return;
    }
    const std::string& destination = item.Org(item.Side);
    const std::string& backup = item.Tmp(1 - item.Side);
    if (!IsBackupPath(backup)) {
        return;
    }
    // Tried without looking first: a look that failed must not strand the backup, and the move
    // never replaces whatever took the destination's place.
    MoveNoReplace(ctx.fs, backup, destination);
    if (item.ItemType == kItemDir && !destinationTouched) {
        DeleteFolderTree(ctx.fs, backup);
    }
}

void RetargetUndoPaths(UndoJournal& journal, const UndoRecord& record, bool undoing) {
    if (record.Kind != kUndoRename || record.ItemType != kItemDir ||
        (record.Side != 0 && record.Side != 1)) {
        return;
    }
    const std::string& org = record.Side == 0 ? record.Org1 : record.Org2;
    const std::string& tmp = record.Side == 0 ? record.Tmp1 : record.Tmp2;
    const std::string oldPath = undoing ? tmp : org;
    const std::string newPath = undoing ? org : tmp;
    if (oldPath.empty() || newPath.empty() || oldPath == newPath) {
        return;
    }
    const auto retarget = [&](std::string& path) {
        if (path == oldPath) {
            path = newPath;
        } else if (path.size() > oldPath.size() && path.compare(0, oldPath.size(), oldPath) == 0 &&
                   path[oldPath.size()] == kPathSep) {
            path = newPath + path.substr(oldPath.size());
        }
    };
    const auto retargetRecord = [&](UndoRecord& r) {
        // The rename's own record (in the list, or the copy that Undo works on) keeps both names.
        if (r.OpNumber == record.OpNumber && r.Kind == kUndoRename) {
            return;
        }
        retarget(r.Org1);
        retarget(r.Org2);
        retarget(r.Tmp1);
        retarget(r.Tmp2);
    };
    for (const std::unique_ptr<UndoRecord>& group : journal.undoList) {
        if (group->ChildCount() > 0) {
            for (const std::unique_ptr<UndoRecord>& child : group->Children) {
                retargetRecord(*child);
            }
        } else {
            retargetRecord(*group);
        }
    }
}

bool PurgeUndoRecord(FileOpsContext& ctx, UndoRecord& record) {
    const auto show = [&ctx](const std::string& text) {
        if (ctx.progress != nullptr) {
            ctx.progress->SetText(text);
        }
    };
    const bool folder = record.ItemType == kItemDir;
    bool result = true;
    switch (record.Kind) {
        case kUndoRename:
            show("RENAME: none");
            Log("\tRENAME: none");
            break;
        case kUndoCreateDir:
            show("CREATEDIR: none");
            Log("\tCREATEDIR: none");
            break;
        case kUndoCopy:
            if (record.Side == 0 || record.Side == 1) {
                const std::string& backup = record.Tmp(1 - record.Side);
                if (PathExistsLoose(ctx.fs, backup)) {
                    const char* label = folder ? "COPY(DIR):" : "COPY(FILE):";
                    show(std::string(label) + " deleting " + backup);
                    Log("\t%s\tdeleting %s", label, backup.c_str());
                    result = DeleteBackup(ctx.fs, backup, folder);
                }
            }
            break;
        case kUndoDelete:
            for (int s = 0; s < 2; ++s) {
                const std::string& backup = record.Tmp(s);
                if (PathExistsLoose(ctx.fs, backup)) {
                    const char* label = folder ? "DELETE(DIR):" : "DELETE(FILE):";
                    show(std::string(label) + " deleting [" + std::to_string(s) + "] " + backup);
                    Log("\t%s\tdeleting [%d]=%s", label, s, backup.c_str());
                    result = DeleteBackup(ctx.fs, backup, folder);
                }
            }
            break;
        default:
            break;
    }
    return result;
}

namespace {

void Show(FileOpsContext& ctx, const UndoJournal& journal, const std::string& text) {
    if (ctx.progress != nullptr) {
        ctx.progress->SetText(text);
    }
    if (journal.dumping) {
        Log("%s", text.c_str());
    }
}

void PurgeGroup(FileOpsContext& ctx, const UndoJournal& journal, UndoRecord& group) {
    char text[128];
    if (group.ChildCount() > 0) {
        std::snprintf(text, sizeof text, kTextCleaningChildrenFormat, group.ChildCount(),
                      group.OpNumber);
        Show(ctx, journal, text);
        for (const std::unique_ptr<UndoRecord>& child : group.Children) {
            PurgeUndoRecord(ctx, *child);
        }
    } else {
        std::snprintf(text, sizeof text, kTextCleaningGroupFormat, group.OpNumber);
        Show(ctx, journal, text);
        PurgeUndoRecord(ctx, group);
    }
}

}  // namespace

void ClearUndoJournal(FileOpsContext& ctx, UndoJournal& journal, bool dump) {
    if (journal.undoList.empty()) {
        return;
    }
    if (dump) {
        journal.dumping = true;
        SwitchToSideLog("undo", "txt");
        for (const std::string& entry : UndoDumpEntries(journal)) {
            Log("%s", entry.c_str());
        }
    }
    Show(ctx, journal, kTextCleaningUndo);
    for (const std::unique_ptr<UndoRecord>& group : journal.undoList) {
        PurgeGroup(ctx, journal, *group);
    }
    Show(ctx, journal, "for each list");
    journal.undoList.clear();
    Show(ctx, journal, "for main");
    journal.redo.reset();
    if (dump) {
        // The dump is for a purge that does not finish; one that did leaves nothing to look
        // back on.
        if (const std::string sideLog = GetLogPath(); !sideLog.empty()) {
            unlink(sideLog.c_str());
        }
        RestoreMainLog();
        journal.dumping = false;
    }
}

void RemoveUndoGroups(FileOpsContext& ctx, UndoJournal& journal) {
    while (!journal.undoList.empty()) {
        PurgeGroup(ctx, journal, *journal.undoList.back());
        journal.undoList.pop_back();
    }
}

}  // namespace quillon
