#include "fileops/SinglePaneOps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "base/AsciiCase.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "core/Comparison.h"
#include "core/ComparisonObserver.h"
#include "fileops/FileCopy.h"
#include "fileops/UndoJournal.h"
#include "platform/Log.h"
#include "platform/ProgressLogic.h"
#include "platform/ProgressSink.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

void ShowStop(Prompter& prompter, const std::string& text) {
    PromptRequest box;
    box.text = text;
    box.style = mb::kOk | mb::kIconStop;
    prompter.Ask(box);
}

bool Ask(Prompter& prompter, const std::string& text, uint32_t icon, const char* key = "") {
    PromptRequest question;
    question.text = text;
    question.style = mb::kYesNo | icon;
    question.key = key;
    return prompter.Ask(question) == mbr::kYes;
}

bool InPanes(int side, int pane) {
    return side == pane || side == kSideBoth;
}

// A selected folder that holds another selected item of the same pane. Sorted paths put what
// lies below a folder right after "folder/", so each folder costs one search.
bool NestedSelection(const std::vector<DiffItem*>& rows, int side) {
    for (int pane = 0; pane < 2; ++pane) {
        if (!InPanes(side, pane)) {
            continue;
        }
        std::vector<std::string> all;
        std::vector<std::string> folders;
        for (const DiffItem* row : rows) {
            if (!row->Has(pane)) {
                continue;
            }
            all.push_back(row->FullPath(pane));
            if (!row->isFile) {
                folders.push_back(all.back());
            }
        }
        std::sort(all.begin(), all.end());
        for (const std::string& folder : folders) {
            const std::string below = JoinPath(folder, "");
            const auto it = std::lower_bound(all.begin(), all.end(), below);
            if (it != all.end() && it->starts_with(below)) {
                return true;
            }
        }
    }
    return false;
}

// Asked once, at the first selected folder that the command would delete.
bool ConfirmFolders(const CopyToPaneScene& scene, int side, const std::vector<DiffItem*>& rows) {
    for (const DiffItem* row : rows) {
        if (row->isFile ||
            !((InPanes(side, 0) && row->Has(0)) || (InPanes(side, 1) && row->Has(1)))) {
            continue;
        }
        if (scene.comparison.filter.filterActive &&
            !Ask(scene.prompter, kFilterDirDeleteText, mb::kIconExclamation, kFilterDirDeleteKey)) {
            return false;
        }
        return Ask(scene.prompter, kDeleteFolderQuestion, mb::kIconQuestion);
    }
    return true;
}

// Removes the entry itself: a link (to a folder too) is unlinked, a folder emptied and removed.
bool DeleteEntry(FileSystem& fs, const std::string& path) {
    struct stat st {};
    const int error = fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st);
    if (error == ENOENT) {
        return true;
    }
    if (error == 0 && S_ISDIR(st.st_mode)) {
        return DeleteFolderTree(fs, path);
    }
    return DeleteFileForced(fs, path);
}

// A row shown as a folder whose entries are links is journalled as a file: its backup is the link,
// and a purge must unlink it rather than walk into it.
int32_t JournalType(FileSystem& fs, const DiffItem& row, const std::string (&paths)[2]) {
    if (row.isFile) {
        return kItemFile;
    }
    for (const std::string& path : paths) {
        struct stat st {};
        if (!path.empty() && (fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st) != 0 ||
                              S_ISDIR(st.st_mode))) {
            return kItemDir;
        }
    }
    return kItemFile;
}

class PaneDelete {
  public:
    PaneDelete(FileOpsContext& ctx, const CopyToPaneScene& scene, int side)
        : ctx_(ctx), scene_(scene), side_(side) {}

    DeleteResult Run(const std::vector<DiffItem*>& rows);

  private:
    void DeleteRow(const DiffItem& row, UndoRecord* group);

    FileOpsContext& ctx_;
    const CopyToPaneScene& scene_;
    const int side_;
    DeleteResult result_;
};

DeleteResult PaneDelete::Run(const std::vector<DiffItem*>& rows) {
    Log(kLogEnterDelete, side_);
    if (std::any_of(rows.begin(), rows.end(), [](const DiffItem* r) { return r->IsDotDot(); })) {
        ShowStop(scene_.prompter, kDeleteDotDotText);
        Log("%s", kLogCancelCopy);
        result_.refused = true;
        return result_;
    }
    if (NestedSelection(rows, side_)) {
        ShowStop(scene_.prompter, kParentChildText);
        Log("%s", kLogCancelDelete);
        result_.refused = true;
        return result_;
    }
    if (!ConfirmFolders(scene_, side_, rows)) {
        result_.refused = true;
        return result_;
    }
    std::vector<const DiffItem*> targets;
    for (const DiffItem* row : rows) {
        if (side_ == kSideBoth || row->Has(side_)) {
            targets.push_back(row);
        }
    }
    std::unique_ptr<ProgressSink> progress;
    if (targets.size() >= kCopyProgressCount && scene_.progress != nullptr) {
        progress = scene_.progress->Open(kProgressCaption);
    }
    if (progress) {
        progress->SetRange(targets.size(), "", true);
    } else if (scene_.observer != nullptr) {
        scene_.observer->SetWaitCursor(true);
    }
    std::unique_ptr<UndoRecord> group;
    if (ctx_.journal != nullptr && !targets.empty()) {
        group = ctx_.journal->NewGroupRecord();
        group->Kind = kUndoDelete;
        group->Side = side_;
    }
    for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
        if (progress) {
            // Cancel stops between two rows; what was deleted stays deleted and journalled.
            if (progress->Update((*it)->name, static_cast<uint64_t>(it - targets.rbegin()))) {
                break;
            }
        }
        DeleteRow(**it, group.get());
    }
    if (group && group->ChildCount() > 0) {
        ctx_.journal->Push(std::move(group));
    }
    if (progress) {
        progress->Hide();
    } else if (scene_.observer != nullptr) {
        scene_.observer->SetWaitCursor(false);
    }
    if (!ctx_.report.empty()) {
        ShowStop(scene_.prompter, kFailedOperationsText + ctx_.report);
    }
    Log("%s", kLogLeaveDelete);
    return result_;
}

void PaneDelete::DeleteRow(const DiffItem& row, UndoRecord* group) {
    FileSystem& fs = ctx_.fs;
    std::string paths[2];
    for (int pane = 0; pane < 2; ++pane) {
        struct stat st {};
        // An entry already gone has nothing left to delete or to back up.
        if (InPanes(side_, pane) && row.Has(pane) &&
            fs.Stat(AT_FDCWD, row.FullPath(pane).c_str(), AT_SYMLINK_NOFOLLOW, st) != ENOENT) {
            paths[pane] = row.FullPath(pane);
        }
    }
    bool failed[2] = {false, false};
    if (paths[0].empty() && paths[1].empty()) {
        ++result_.deleted;
        return;
    }
    if (ctx_.journal != nullptr) {
        std::unique_ptr<UndoRecord> item =
            ctx_.journal->NewItemRecord(JournalType(fs, row, paths), kUndoDelete, side_, paths[0],
                                        paths[1], paths[0], paths[1]);
        if (const int error = PrepareUndoItem(ctx_, *item); error != 0) {
            LogError(error, "Cannot move %s aside", row.name.c_str());
            // Whatever the backup step moved goes back: the row stays whole in every pane.
            DiscardUndoItem(ctx_, *item);
            failed[0] = !paths[0].empty();
            failed[1] = !paths[1].empty();
        } else {
            UndoJournal::Attach(*group, std::move(item));
        }
    } else {
        for (int pane = 0; pane < 2; ++pane) {
            failed[pane] = !paths[pane].empty() && !DeleteEntry(fs, paths[pane]);
        }
    }
    for (int pane = 0; pane < 2; ++pane) {
        if (failed[pane]) {
            ctx_.report += StringPrintf(kRemovingFormats[pane], row.Dir(pane), row.Name(pane));
        }
    }
    if (failed[0] || failed[1]) {
        ++result_.failed;
    } else {
        ++result_.deleted;
    }
}

// A row whose two entries keep names equal without case stays one row: the renamed side takes
// its new spelling, and the loaded rows below a folder take its new path.
void RenameSideInTree(DiffItem& row, int side, const std::string& newName) {
    const std::string other = row.Name(1 - side);
    row.name = other;
    row.SetSideName(1 - side, other);
    row.SetSideName(side, newName);
    std::vector<DiffItem*> folders{&row};
    while (!folders.empty()) {
        DiffItem* folder = folders.back();
        folders.pop_back();
        const SharedPath path(folder->FullPath(side));
        for (DiffItem* c = folder->firstChild; c; c = c->next) {
            if (c->Has(side) && !c->IsDotDot()) {
                c->SetDir(side, path);
                if (!c->isFile) {
                    folders.push_back(c);
                }
            }
        }
    }
}

// A rename that never replaces: only where the old and the new name are one entry (a change of
// case on a disk that ignores case) may the plain rename go ahead.
int RenameNoReplace(FileSystem& fs, const std::string& from, const std::string& to) {
    int error = MoveNoReplace(fs, from, to);
    // EPERM: the second name a file system without the flag would need cannot be made for a folder.
    if (error == EEXIST || error == EPERM) {
        struct stat a {};
        struct stat b {};
        if (fs.Stat(AT_FDCWD, from.c_str(), AT_SYMLINK_NOFOLLOW, a) == 0 &&
            fs.Stat(AT_FDCWD, to.c_str(), AT_SYMLINK_NOFOLLOW, b) == 0 && SameFile(a, b) &&
            (S_ISDIR(a.st_mode) || a.st_nlink == 1)) {
            error = fs.Rename(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), 0);
        }
    }
    return error;
}

}  // namespace

DeleteResult DeleteSelectedItems(FileOpsContext& ctx, const CopyToPaneScene& scene, int side,
                                 const std::vector<DiffItem*>& rows) {
    return PaneDelete(ctx, scene, side).Run(rows);
}

std::string TrimmedNewName(std::string_view typed) {
    const size_t end = typed.find_last_not_of(" \t\r\n\v\f");
    return std::string(end == std::string_view::npos ? std::string_view()
                                                     : typed.substr(0, end + 1));
}

bool IsLegalName(std::string_view name) {
    return name != "." && name != ".." && name.find_first_of(kIllegalNameChars) == name.npos;
}

RenameResult RenameItem(FileOpsContext& ctx, Prompter& prompter, DiffItem& row, int side,
                        const std::string& typed) {
    RenameResult result;
    const std::string newName = TrimmedNewName(typed);
    if (newName.empty() || !row.Has(side) || row.IsDotDot() || newName == row.Name(side)) {
        return result;
    }
    if (!IsLegalName(newName)) {
        const std::string text = StringPrintf(kIllegalNameFormat, newName);
        ShowStop(prompter, text);
        Log("%s", text.c_str());
        return result;
    }
    const std::string oldPath = row.FullPath(side);
    const std::string newPath = JoinPath(row.Dir(side), newName);
    if (const int error = RenameNoReplace(ctx.fs, oldPath, newPath); error != 0) {
        ShowStop(prompter, LogError(error, kRenameFailedFormat, oldPath.c_str(), newPath.c_str()));
        return result;
    }
    if (ctx.journal != nullptr) {
        std::unique_ptr<UndoRecord> record = ctx.journal->NewGroupRecord();
        record->Kind = kUndoRename;
        record->ItemType = row.isFile ? kItemFile : kItemDir;
        record->Side = side;
        record->Org(side) = oldPath;
        record->Tmp(side) = newPath;
        RetargetUndoPaths(*ctx.journal, *record, false);
        ctx.journal->Push(std::move(record));
    }
    if (row.Has(1 - side) && EqualsNoCase(row.Name(1 - side), newName)) {
        RenameSideInTree(row, side, newName);
    }
    result.renamed = true;
    result.newPath = newPath;
    return result;
}

std::string PasteFolder(const DiffItem& row, int side, const std::string& openedPath) {
    const DiffItem* folder = row.isFile || row.IsDotDot() ? row.parent : &row;
    while (folder != nullptr && folder->parent != nullptr && !folder->Has(side)) {
        folder = folder->parent;
    }
    if (folder == nullptr || folder->parent == nullptr) {
        return openedPath;
    }
    return folder->FullPath(side);
}

NewFolderResult NewFolder(FileOpsContext& ctx, const CopyToPaneScene& scene,
                          const std::vector<DiffItem*>& selected, int side) {
    NewFolderResult result;
    if (selected.size() != 1 || (side != 0 && side != 1)) {
        return result;
    }
    const std::string parent =
        FolderForRowEntries(*selected.front(), side, scene.openedPaths[side]);
    if (parent.empty()) {
        return result;
    }
    FileSystem& fs = ctx.fs;
    // The folders the pane lacks, from the top-most down.
    std::vector<std::string> chain;
    for (std::string at = parent; !PathExistsLoose(fs, at) && !IsRootPath(at);
         at = std::string(DirName(at))) {
        chain.insert(chain.begin(), at);
    }
    std::vector<std::string> made;
    int error = 0;
    for (const std::string& folder : chain) {
        if ((error = fs.MakeFolder(AT_FDCWD, folder.c_str(), 0777)) == 0) {
            made.push_back(folder);
        } else if (error != EEXIST) {
            break;
        }
    }
    if (error == 0 || error == EEXIST) {
        for (int number = 1;; ++number) {
            char name[64] = {};
            std::snprintf(name, sizeof name, kNewFolderNumberedFormat, number);
            const std::string path = JoinPath(parent, number == 1 ? kNewFolderName : name);
            struct stat st {};
            if ((error = fs.Stat(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, st)) == 0) {
                continue;
            }
            // A name that cannot be looked at is neither free nor taken: nothing is made.
            if (error == ENOENT) {
                error = fs.MakeFolder(AT_FDCWD, path.c_str(), 0777);
            }
            if (error == 0) {
                made.push_back(path);
                result.path = path;
            }
            // Taken meanwhile by someone else: the next number.
            if (error != EEXIST) {
                break;
            }
        }
    }
    if (error != 0) {
        ShowStop(scene.prompter, LogError(error, "%s", JoinPath(parent, kNewFolderName).c_str()));
    }
    if (ctx.journal != nullptr && !made.empty()) {
        std::unique_ptr<UndoRecord> group = ctx.journal->NewGroupRecord();
        group->Kind = kUndoCreateDir;
        group->Side = side;
        for (const std::string& folder : made) {
            UndoJournal::Attach(*group, ctx.journal->NewItemRecord(kItemDir, kUndoCreateDir, side,
                                                                   "", "", side == 0 ? folder : "",
                                                                   side == 0 ? "" : folder));
        }
        ctx.journal->Push(std::move(group));
    }
    return result;
}

CopyToResult PasteFiles(FileOpsContext& ctx, const CopyToPaneScene& scene, ReplaceAsker& asker,
                        const std::vector<DiffItem*>& selected, int side,
                        const std::vector<std::string>& sources) {
    Log(kLogEnterPaste, side);
    if (selected.empty() || sources.empty() || (side != 0 && side != 1)) {
        return {};
    }
    const std::string folder = PasteFolder(*selected.front(), side, scene.openedPaths[side]);
    if (folder.empty()) {
        return {};
    }
    return CopyFilesDirsTo(ctx, scene.prompter, asker, side, folder, sources, true);
}

}  // namespace quillon
