#include "fileops/CopyToPane.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "core/FolderScan.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "fileops/UndoRun.h"
#include "platform/Log.h"
#include "platform/ProgressLogic.h"
#include "platform/ProgressSink.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

bool IsTopLevel(const DiffItem& row) {
    return row.parent == nullptr || row.parent->parent == nullptr;
}

// Takes `side` of `item` from what is on disk now; false when nothing is there.
bool FillSideFromDisk(FileSystem& fs, DiffItem& item, int side, const std::string& folder,
                      const std::string& name) {
    const std::string path = JoinPath(folder, name);
    struct stat st {};
    if (fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0) {
        return false;
    }
    uint8_t flags = 0;
    if (S_ISLNK(st.st_mode)) {
        flags |= DiffItem::kFlagLink;
        struct stat target {};
        if (fs.Stat(AT_FDCWD, path.c_str(), 0, target) == 0) {
            st = target;
        } else {
            flags |= DiffItem::kFlagDangling;
        }
    }
    if (!(flags & DiffItem::kFlagDangling) && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        flags |= DiffItem::kFlagSpecial;
    }
    item.SetDir(side, folder);
    item.SetSideName(side, name);
    item.sideFlags[side] = flags;
    if (item.isFile) {
        const bool dangling = (flags & DiffItem::kFlagDangling) != 0;
        item.size[side] = dangling ? 0 : static_cast<uint64_t>(st.st_size);
        item.mtime[side] = dangling ? DiffItem::kNoTime : st.st_mtim.tv_sec;
        // The bytes are the source's, so is the version.
        const int other = 1 - side;
        item.SetVersion(side, item.GetVersionState(other), item.PackedVersion(other));
    } else {
        item.hasChildren[side] = FolderHasContent(path, fs);
    }
    return true;
}

// The copied row and its loaded descendants now exist in `side` too.
void MarkCopied(Comparison& comparison, FileSystem& fs, DiffItem& item, int side,
                const std::string& folder) {
    const int from = 1 - side;
    const std::string name = item.Has(side) ? item.Name(side) : item.Name(from);
    if (!FillSideFromDisk(fs, item, side, folder, name)) {
        return;
    }
    if (!item.isFile) {
        item.expanded[side] = item.expanded[from] && item.hasChildren[side];
        const std::string path = JoinPath(folder, name);
        for (DiffItem* c = item.firstChild; c; c = c->next) {
            if (c->Has(from) && !c->IsDotDot()) {
                MarkCopied(comparison, fs, *c, side, path);
            }
        }
    }
    comparison.DecideStatus(&item);
}

class PaneCopy {
  public:
    PaneCopy(FileOpsContext& ctx, const CopyToPaneScene& scene, int destination)
        : ctx_(ctx), scene_(scene), to_(destination), from_(1 - destination) {}

    CopyToPaneResult Run(const std::vector<DiffItem*>& rows);

  private:
    bool Confirm(const std::vector<DiffItem*>& rows);
    void Begin(const std::vector<DiffItem*>& rows);
    void End();
    // False when the user cancelled.
    bool CopyRow(DiffItem& row, UndoRecord* group);
    bool MakeParents(DiffItem& row, const std::string& folder);
    void Fail(const DiffItem& row, const std::string& folder, const std::string& destination,
              int error, const char* reason = nullptr);

    FileOpsContext& ctx_;
    const CopyToPaneScene& scene_;
    const int to_;
    const int from_;
    std::unique_ptr<ProgressSink> progress_;
    bool waitCursor_ = false;
    CopyToPaneResult result_;
};

bool PaneCopy::Confirm(const std::vector<DiffItem*>& rows) {
    for (const DiffItem* row : rows) {
        if (row->isFile || row->IsDotDot() || !row->Has(0) || !row->Has(1)) {
            continue;
        }
        if (scene_.comparison.filter.filterActive) {
            PromptRequest warning;
            warning.text = kFilterDirCopyText;
            warning.style = mb::kYesNo | mb::kIconExclamation;
            warning.key = kFilterDirCopyKey;
            if (scene_.prompter.Ask(warning) != mbr::kYes) {
                return false;
            }
        }
        PromptRequest overwrite;
        overwrite.text = std::string(kOverwriteFolderTexts[to_]) + "\n" + kOverwriteFolderQuestion;
        overwrite.style = mb::kYesNo | mb::kIconQuestion;
        if (scene_.prompter.Ask(overwrite) != mbr::kYes) {
            Log("%s", kLogCancelCopy);
            return false;
        }
        break;
    }
    return true;
}

void PaneCopy::Begin(const std::vector<DiffItem*>& rows) {
    uint64_t count = 0;
    uint64_t bytes = 0;
    for (const DiffItem* row : rows) {
        if (!row->Has(from_) || row->IsDotDot()) {
            continue;
        }
        if (row->isFile) {
            ++count;
            bytes += row->size[from_];
        } else {
            bytes += FolderSizeAndCount(row->FullPath(from_), count, true, false, ctx_.fs);
        }
    }
    if ((count >= kCopyProgressCount || bytes >= kCopyProgressBytes) && scene_.progress) {
        progress_ = scene_.progress->Open(kProgressCaption);
    }
    if (progress_) {
        progress_->SetRange(count, kCopyingSelectedText, true);
        ctx_.progress = progress_.get();
        result_.progressShown = true;
    } else if (scene_.observer) {
        scene_.observer->SetWaitCursor(true);
        waitCursor_ = true;
    }
}

void PaneCopy::End() {
    if (progress_) {
        progress_->Hide();
        ctx_.progress = nullptr;
        progress_.reset();
    }
    if (waitCursor_) {
        scene_.observer->SetWaitCursor(false);
    }
    if (!ctx_.report.empty()) {
        PromptRequest box;
        box.text = kFailedOperationsText + ctx_.report;
        box.style = mb::kOk | mb::kIconStop;
        scene_.prompter.Ask(box);
    }
}

CopyToPaneResult PaneCopy::Run(const std::vector<DiffItem*>& rows) {
    Log("%s", kLogStartCopy);
    if (!Confirm(rows)) {
        result_.cancelled = true;
        return result_;
    }
    Begin(rows);
    std::unique_ptr<UndoRecord> group;
    if (ctx_.journal) {
        group = ctx_.journal->NewGroupRecord();
        group->Kind = kUndoCopy;
        group->Side = to_;
    }
    for (DiffItem* row : rows) {
        if (row->IsDotDot()) {
            continue;
        }
        const std::string text =
            std::string("Copying a ") + (row->isFile ? "file " : "folder ") + row->name + "...";
        Log("%s", text.c_str());
        if (progress_) {
            progress_->SetText(text);
        }
        if (!CopyRow(*row, group.get())) {
            result_.cancelled = true;
            break;
        }
    }
    if (group && group->ChildCount() > 0) {
        ctx_.journal->Push(std::move(group));
    }
    End();
    Log("%s", kLogFinishCopy);
    return result_;
}

void PaneCopy::Fail(const DiffItem& row, const std::string& folder, const std::string& destination,
                    int error, const char* reason) {
    ++result_.failed;
    const std::string name = row.Name(from_);
    if (row.isFile) {
        ctx_.report += StringPrintf(kCopyFileFailedFormat, row.Dir(from_), name, folder,
                                    std::string(BaseName(destination)),
                                    std::string(reason ? reason : std::strerror(error)));
    } else {
        ctx_.report += StringPrintf(kCopyFolderFailedFormat, row.Dir(from_), name, folder,
                                    std::string(BaseName(destination)));
    }
}

// The chain of missing folders is made from the top-most one down; every ancestor row that lacked
// the destination side now has it.
bool PaneCopy::MakeParents(DiffItem& row, const std::string& folder) {
    if (const int error = MakeFolderChain(ctx_.fs, folder); error != 0) {
        LogError(error, "%s", folder.c_str());
        ++result_.failed;
        ctx_.report += StringPrintf(kMissingParentFailedFormat, row.name) + "\n";
        return false;
    }
    std::vector<DiffItem*> created;
    for (DiffItem* a = row.parent; a && a->parent && !a->Has(to_); a = a->parent) {
        created.push_back(a);
    }
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        DiffItem* a = *it;
        const std::string at = FolderInPane(*a, to_, scene_.openedPaths[to_]);
        if (FillSideFromDisk(ctx_.fs, *a, to_, at, a->Name(from_))) {
            a->expanded[to_] = a->expanded[from_];
            scene_.comparison.DecideStatus(a);
        }
    }
    return true;
}

bool PaneCopy::CopyRow(DiffItem& row, UndoRecord* group) {
    if (!row.Has(from_)) {
        Log("%s skipped...", row.name.c_str());
        return true;
    }
    const std::string folder = FolderInPane(row, to_, scene_.openedPaths[to_]);
    if (folder.empty()) {
        ++result_.failed;
        ctx_.report += StringPrintf(kMissingParentImpossibleFormat, row.name) + "\n";
        return true;
    }
    FileSystem& fs = ctx_.fs;
    struct stat st {};
    bool madeParents = false;
    if (fs.Stat(AT_FDCWD, folder.c_str(), 0, st) != 0 || !S_ISDIR(st.st_mode)) {
        if (!MakeParents(row, folder)) {
            return true;
        }
        madeParents = true;
    }
    const std::string source = row.FullPath(from_);
    const std::string destination =
        JoinPath(folder, row.Has(to_) ? row.Name(to_) : row.Name(from_));
    struct stat from {};
    struct stat onto {};
    int error = fs.Stat(AT_FDCWD, source.c_str(), AT_SYMLINK_NOFOLLOW, from);
    if (error != 0) {
        Fail(row, folder, destination, error);
        return true;
    }
    struct stat fromTarget = from;
    fs.Stat(AT_FDCWD, source.c_str(), 0, fromTarget);
    // One file or folder under two names (a link, a bind mount, a hard link) is never copied onto
    // itself: the backup step would move the source itself aside.
    if (fs.Stat(AT_FDCWD, destination.c_str(), 0, onto) == 0 &&
        (SameFile(onto, from) || SameFile(onto, fromTarget))) {
        Fail(row, folder, destination, EINVAL, kSameFileReason);
        return true;
    }
    const bool isFolder = !row.isFile && S_ISDIR(from.st_mode);
    std::unique_ptr<UndoRecord> item;
    if (ctx_.journal) {
        item = ctx_.journal->NewItemRecord(isFolder ? kItemDir : kItemFile, kUndoCopy, to_,
                                           to_ == 0 ? destination : "", to_ == 0 ? "" : destination,
                                           to_ == 0 ? source : "", to_ == 0 ? "" : source);
        if ((error = PrepareUndoItem(ctx_, *item)) != 0) {
            DiscardUndoItem(ctx_, *item, false);
            Fail(row, folder, destination, error);
            return error != ECANCELED;
        }
    }
    bool ok = false;
    bool touched = true;
    bool cancelled = false;
    if (!isFolder) {
        error = S_ISLNK(from.st_mode) ? CopyLink(fs, source, destination)
                                      : CopyFileCreatingParent(ctx_, source, destination);
        ok = error == 0;
        if (!ok) {
            Fail(row, folder, destination, error);
        }
    } else {
        Log("XCopying a folder %s from \"%s\" to \"%s\"...", row.name.c_str(), source.c_str(),
            destination.c_str());
        const int tree = CopyFolderTree(ctx_, source, destination, true);
        cancelled = tree == kTreeCancelled;
        ok = tree == kTreeCopiedAll || tree == kTreeCopiedSome;
        touched = tree != kTreeCopiedNone;
        if (tree == kTreeCopiedNone) {
            Fail(row, folder, destination, 0);
            if (madeParents) {
                DeleteFolderTree(fs, destination);
            }
        }
    }
    if (ok) {
        ++result_.copied;
        if (item) {
            item->Made = MadeFingerprint(fs, destination);
            UndoJournal::Attach(*group, std::move(item));
        }
        MarkCopied(scene_.comparison, fs, row, to_, folder);
    } else if (item) {
        DiscardUndoItem(ctx_, *item, touched);
    }
    return !cancelled;
}

}  // namespace

std::string FolderInPane(const DiffItem& row, int side, const std::string& openedPath) {
    if (row.Has(side)) {
        return row.Dir(side);
    }
    if (openedPath.empty()) {
        return {};
    }
    if (IsTopLevel(row)) {
        return openedPath;
    }
    const DiffItem& parent = *row.parent;
    if (parent.Has(side)) {
        return parent.FullPath(side);
    }
    const std::string above = FolderInPane(parent, side, openedPath);
    return above.empty() ? above : JoinPath(above, parent.Name(1 - side));
}

std::string FolderForRowEntries(const DiffItem& row, int side, const std::string& openedPath) {
    const DiffItem* folder = row.isFile || row.IsDotDot() ? row.parent : &row;
    if (folder == nullptr || folder->parent == nullptr) {
        return openedPath;
    }
    if (folder->Has(side)) {
        return folder->FullPath(side);
    }
    const std::string above = FolderInPane(*folder, side, openedPath);
    return above.empty() ? above : JoinPath(above, folder->Name(1 - side));
}

CopyToPaneResult CopyToOtherPane(FileOpsContext& ctx, const CopyToPaneScene& scene, int destination,
                                 const std::vector<DiffItem*>& rows) {
    return PaneCopy(ctx, scene, destination).Run(rows);
}

}  // namespace quillon
