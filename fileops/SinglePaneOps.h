// The operations of one pane (or of both, for a delete): deleting the selected rows, renaming a
// row in place, making a new folder and pasting files into the folder of a row. Each is journalled
// when the context carries a journal. None of them reshapes the tree: the window's refresh after
// the operation brings the rows up to date with the disk (a rename that keeps a row paired is the
// one change made to the tree here).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ValueText.h"
#include "fileops/CopyFilesDirsTo.h"
#include "fileops/CopyToPane.h"

namespace quillon {

inline constexpr const char* kLogEnterDelete =
    "Entering DeleteSelectedItems()... with %d side to DEL";
inline constexpr const char* kLogLeaveDelete = "Leaving DeleteSelectedItems()...";
inline constexpr const char* kLogCancelDelete = "cancelling DELETE process...";
inline constexpr const char* kDeleteDotDotText = "Deleting \"..\" isn't allowed.";
inline constexpr const char* kParentChildText =
    "You cannot delete the items with parent-child relation.\nPlease try again.";
inline constexpr const char* kFilterDirDeleteKey = "FilterDirDelete_01";
inline constexpr const char* kFilterDirDeleteText =
    "Currently 'File Display Filter' is enabled.\nTherefore, deleting a folder may delete the "
    "items which aren't currently visible.\n\nDo you still want to continue?";
inline constexpr const char* kDeleteFolderQuestion =
    "At least one item is a folder.\nAre you sure you want to delete the selected item(s) "
    "including the folder?";
inline constexpr const char* kRemovingFormats[2] = {"- Removing LEFT %s/%s\n",
                                                    "- Removing RIGHT %s/%s\n"};
inline constexpr const char* kIllegalNameFormat =
    "ERROR:\n\nFilename (%s) contains at least one of the illegal characters; \\/:*?\"<>|";
inline constexpr const char* kRenameFailedFormat = "Renaming from [%s] to [%s] failed.";
inline constexpr const char* kNewFolderName = "New Folder";
inline constexpr const char* kNewFolderNumberedFormat = "New Folder (%d)";
inline constexpr const char* kLogEnterPaste =
    "Entering PasteFileFromClipboard()... with %d side to paste";

struct DeleteResult {
    int deleted = 0;
    int failed = 0;
    // Stopped before anything was deleted: a refusal, or No to a question.
    bool refused = false;
};
struct RenameResult {
    bool renamed = false;
    std::string newPath;  // full path after the rename
};
struct NewFolderResult {
    std::string path;  // empty: nothing was made
};

// Deletes `rows` from pane `side` (0, 1, or 2 for both). With ctx.journal each row goes to its
// backup name in one rename and the rows form one operation; without, files and links are
// unlinked and folder trees emptied without following links or leaving their file system. A row
// whose backup step failed is left in place and reported: it is never deleted without its backup.
DeleteResult DeleteSelectedItems(FileOpsContext& ctx, const CopyToPaneScene& scene, int side,
                                 const std::vector<DiffItem*>& rows);

// The name typed for a rename as it will be used: trailing white space trimmed.
std::string TrimmedNewName(std::string_view typed);
// Whether a name may be given to an item: none of the nine reserved characters, not "." or "..".
bool IsLegalName(std::string_view name);

// Renames `row`'s entry in pane `side` (0 or 1) to `typed`. Never replaces an existing item; only
// a rename that happened on disk is journalled (a folder's rename carries the journal's paths
// below it along).
RenameResult RenameItem(FileOpsContext& ctx, Prompter& prompter, DiffItem& row, int side,
                        const std::string& typed);

// The folder of pane `side` that a new folder or a paste goes into for `row`: the row's own
// folder, a file's parent, the opened folder for the ".." row, and for a folder missing in that
// pane the nearest one above that exists there. Empty when the pane has no opened folder.
std::string PasteFolder(const DiffItem& row, int side, const std::string& openedPath);

// Makes "New Folder" (or "New Folder (2)", "(3)" and on) in the folder of the one selected row in
// pane `side`, with the chain of folders that pane lacks above it, each journalled as made. The
// row shows up once the window refreshes (and its parent folder is expanded).
NewFolderResult NewFolder(FileOpsContext& ctx, const CopyToPaneScene& scene,
                          const std::vector<DiffItem*>& selected, int side);

// Copies `sources` into the paste folder of the first selected row.
CopyToResult PasteFiles(FileOpsContext& ctx, const CopyToPaneScene& scene, ReplaceAsker& asker,
                        const std::vector<DiffItem*>& selected, int side,
                        const std::vector<std::string>& sources);

}  // namespace quillon
