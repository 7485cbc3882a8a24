#include "fileops/CopyFilesDirsTo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "fileops/UndoRun.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

// Whether `path`, or its nearest existing folder when it does not exist yet, is `folder` or lies
// below it. Walked upwards through "..", so that links, bind mounts and spellings of the path
// do not matter.
bool IsWithin(FileSystem& fs, std::string path, const struct stat& folder) {
    struct stat st {};
    while (fs.Stat(AT_FDCWD, path.c_str(), 0, st) != 0) {
        if (path.empty() || IsRootPath(path)) {
            return false;
        }
        path = std::string(DirName(path));
    }
    int fd = -1;
    if (fs.Open(AT_FDCWD, path.c_str(), O_RDONLY | O_DIRECTORY, 0, fd) != 0) {
        return false;
    }
    FsHandle at(fs, fd);
    for (;;) {
        if (fs.Fstat(at.Get(), st) != 0) {
            return false;
        }
        if (SameFile(st, folder)) {
            return true;
        }
        struct stat up {};
        if (fs.Open(at.Get(), "..", O_RDONLY | O_DIRECTORY, 0, fd) != 0) {
            return false;
        }
        FsHandle parent(fs, fd);
        if (fs.Fstat(parent.Get(), up) != 0 || SameFile(up, st)) {
            return false;
        }
        at = std::move(parent);
    }
}

void ShowError(Prompter& prompter, const std::string& text) {
    PromptRequest request;
    request.text = text;
    request.caption = kCopyErrorCaption;
    request.style = mb::kOk | mb::kIconStop;
    prompter.Ask(request);
}

}  // namespace

std::string FreeCopyName(FileOpsContext& ctx, const std::string& folder, const std::string& name) {
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    for (int i = 0; i < 100; ++i) {
        const std::string candidate =
            base + (i == 0 ? " - Copy" : " - Copy (" + std::to_string(i) + ")") + extension;
        if (!PathExistsLoose(ctx.fs, JoinPath(folder, candidate))) {
            return candidate;
        }
    }
    return {};
}

CopyToResult CopyFilesDirsTo(FileOpsContext& ctx, Prompter& prompter, ReplaceAsker& asker, int side,
                             const std::string& folder, const std::vector<std::string>& sources,
                             bool copy) {
    CopyToResult result;
    Log(kLogEnterCopyTo, side);
    if (sources.empty()) {
        return result;
    }
    FileSystem& fs = ctx.fs;
    std::unique_ptr<UndoRecord> group;
    if (ctx.journal != nullptr) {
        group = ctx.journal->NewGroupRecord();
        group->Kind = kUndoCopy;
        group->Side = side;
    }
    int answer = 0;
    for (const std::string& source : sources) {
        const std::string name(BaseName(source));
        std::string destination = JoinPath(folder, name);
        struct stat from {};
        struct stat fromEntry {};
        int error = fs.Stat(AT_FDCWD, source.c_str(), AT_SYMLINK_NOFOLLOW, fromEntry);
        if (error == 0) {
            from = fromEntry;
            fs.Stat(AT_FDCWD, source.c_str(), 0, from);
        }
        if (error != 0) {
            ShowError(prompter, kCopyFailedReason + std::string(std::strerror(error)));
            ++result.failed;
            continue;
        }
        // A link is copied or moved as the link itself, never as what it points to.
        const bool isFolder = S_ISDIR(fromEntry.st_mode);
        struct stat into {};
        const bool sameFolder = fs.Stat(AT_FDCWD, folder.c_str(), 0, into) == 0 && [&] {
            struct stat parent {};
            return fs.Stat(AT_FDCWD, std::string(DirName(source)).c_str(), 0, parent) == 0 &&
                   SameFile(parent, into);
        }();
        if (sameFolder && isFolder) {
            ShowError(prompter, StringPrintf(kSameFolderFormat, name));
            continue;
        }
        if (sameFolder) {
            const std::string free = FreeCopyName(ctx, folder, name);
            if (free.empty() || !copy) {
                continue;
            }
            destination = JoinPath(folder, free);
        }
        if (isFolder && IsWithin(fs, folder, fromEntry)) {
            ShowError(prompter, StringPrintf(kIntoItselfFormat, name));
            continue;
        }
        struct stat existing {};
        const bool exists =
            fs.Stat(AT_FDCWD, destination.c_str(), AT_SYMLINK_NOFOLLOW, existing) == 0;
        struct stat existingTarget = existing;
        if (exists && (SameFile(existing, fromEntry) ||
                       (fs.Stat(AT_FDCWD, destination.c_str(), 0, existingTarget) == 0 &&
                        SameFile(existingTarget, from)))) {
            ShowError(prompter, StringPrintf(kSameFileFormat, name));
            continue;
        }
        if (exists && answer != mbr::kYesToAll) {
            ReplaceQuestion question;
            question.name = name;
            question.folder = S_ISDIR(existing.st_mode);
            question.several = sources.size() > 1;
            question.existingSize = static_cast<uint64_t>(existing.st_size);
            question.existingTime = existing.st_mtim.tv_sec;
            question.sourceSize = static_cast<uint64_t>(from.st_size);
            question.sourceTime = from.st_mtim.tv_sec;
            answer = asker.AskReplace(question);
            if (answer == mbr::kCancel) {
                result.cancelled = true;
                break;
            }
            if (answer == mbr::kNo) {
                continue;
            }
        }
        std::unique_ptr<UndoRecord> item;
        if (ctx.journal != nullptr) {
            item = ctx.journal->NewItemRecord(
                isFolder ? kItemDir : kItemFile, kUndoCopy, side, side == 0 ? destination : "",
                side == 0 ? "" : destination, side == 0 ? source : "", side == 0 ? "" : source);
            item->Moved = !copy;
            if ((error = PrepareUndoItem(ctx, *item)) != 0) {
                ShowError(prompter, kCopyFailedReason + std::string(std::strerror(error)));
                DiscardUndoItem(ctx, *item, false);
                ++result.failed;
                continue;
            }
        }
        bool ok;
        bool touched = true;
        if (!isFolder) {
            if (!copy) {
                error = MoveFileOrLink(ctx, source, destination);
            } else if (S_ISLNK(fromEntry.st_mode)) {
                error = CopyLink(fs, source, destination);
            } else {
                error = CopyFileCreatingParent(ctx, source, destination);
            }
            ok = error == 0;
            if (!ok) {
                ShowError(prompter, kCopyFailedReason + std::string(std::strerror(error)));
            }
        } else {
            struct stat st {};
            // Whatever cannot be shown to be absent is treated as the user's own folder.
            const bool existedBefore =
                fs.Stat(AT_FDCWD, destination.c_str(), AT_SYMLINK_NOFOLLOW, st) != ENOENT;
            int tree = kTreeCopiedNone;
            // A move into a folder that was there is taken back entry by entry: what the folder
            // held before stays.
            if (item && !copy && existedBefore) {
                ListTreeEntries(fs, source, item->Entries);
            }
            if (!copy && !existedBefore &&
                fs.Rename(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(),
                          RENAME_NOREPLACE) == 0) {
                tree = kTreeCopiedAll;
            } else {
                tree = CopyFolderTree(ctx, source, destination, true, !copy);
            }
            ok = tree != kTreeCopiedNone && tree != kTreeCancelled;
            touched = tree != kTreeCopiedNone;
            if (tree == kTreeCancelled) {
                result.cancelled = true;
            }
            if (!ok) {
                // Only a folder this call made goes again; a merged one keeps what it held. After
                // a move it stays too: what already moved is the only copy.
                if (!existedBefore && copy) {
                    DeleteFolderTree(fs, destination);
                }
                ShowError(prompter, kCopyFolderFailed);
            }
        }
        if (ok) {
            ++result.done;
            if (item) {
                if (copy) {
                    item->Made = MadeFingerprint(fs, destination);
                }
                UndoJournal::Attach(*group, std::move(item));
            }
        } else {
            ++result.failed;
            if (item) {
                DiscardUndoItem(ctx, *item, touched);
            }
        }
        if (result.cancelled) {
            break;
        }
    }
    if (group && group->ChildCount() > 0) {
        ctx.journal->Push(std::move(group));
    }
    Log("%s", kLogLeaveCopyTo);
    return result;
}

}  // namespace quillon
