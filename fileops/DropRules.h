// What the panes decide when files are dragged over them and dropped: which folder a drop on a row
// goes into, whether a drag from the panes themselves may land there, and the checks that refuse
// a drop before anything is copied or moved. The copy itself is CopyFilesDirsTo's.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillon {

class FileSystem;
struct DiffItem;

inline constexpr const char* kPaneNames[2] = {"Left-pane", "Right-pane"};
inline constexpr const char* kPrivateDragPrefix = "Quillon_";
inline constexpr const char* kDropMenuTexts[3] = {"Copy Here", "Move Here", "Cancel"};

inline constexpr const char* kDropMultipleOnEmptyText =
    "Multiple items aren't allowed to drop on the empty view.\nDrop only one folder item.";
inline constexpr const char* kLogDropFilename = "Drop filename=[%s]";
inline constexpr const char* kDropOpenVsCopyKey = "DnD_OpenVsCopy";
inline constexpr const char* kDropOpenVsCopyFormat =
    "Drag-and-drop \"%s\" on the existing \"%s\":\n\"%s\" will be copied to \"%s\"\n\nDo you "
    "intend to open \"%s\" in %s?";
inline constexpr const char* kDropMissingParentText =
    "Can't copy due to its missing immediate parent...";
inline constexpr const char* kFilterDirDropKey = "FilterDirDnD_01";
inline constexpr const char* kFilterDirDropFormat =
    "%d folder%s been selected while File-filter is on,\nwhich means there may be some files not "
    "displayed but they will be copied to the target.\n\n";
inline constexpr const char* kFilterDirDropTail =
    "Therefore, dragging the displayed files instead of the folder is recommended.\n\nDo you "
    "still want to continue?";
inline constexpr const char* kFilterDirClipboardKey = "FilterDirCopyClipboard_01";
inline constexpr const char* kFilterDirClipboardFormat =
    "%d folder%s been selected while File-filter is on,\nwhich means there may be some files not "
    "displayed but they will be included\nto the clipboard.\n\n";
inline constexpr const char* kFilterDirClipboardTail = "Do you still want to continue?";
inline constexpr const char* kDropEmptyViewFormat =
    "Cannot copy %s: The destination view is empty.";
inline constexpr const char* kMoveErrorCaption = "Error Moving File or Folder";
inline constexpr const char* kMoveSameFolderFormat =
    "Cannot move %s: The destination folder is the same as the source folder";
inline constexpr const char* kMoveUnderSourceFormat =
    "Cannot move %s: The destination folder is under the source folder";
inline constexpr const char* kCopyUnderSourceFormat =
    "Cannot copy %s: The destination folder is under the source folder";
inline constexpr const char* kDropInvalidAreaText = "You dropped the item(s) on the invalid area.";
inline constexpr const char* kLogEnterProcessDrop = "Entering ProcessDropFiles()... with [%s]";
inline constexpr const char* kLogLeaveProcessDrop = "Leaving ProcessDropFiles()... with [%s]";
inline constexpr const char* kLogDropFirstDir = "processing a dropfile on 1st Dir[%s]";
inline constexpr const char* kLogDropNthDir = "processing a dropfile on #%d Dir[%s]";
inline constexpr const char* kNotTextViewText =
    "Attempted to view Binary or non-text file(s).\nThe binary/non-text file(s) not allowed to "
    "view.";

// The filter question's first part for `folders` folders ("s have" for two or more, " has" for
// one) in `format`, followed by `tail`.
std::string FilterFolderQuestion(const char* format, const char* tail, int folders);

// The folder a drop on `row` goes into in pane `side`: a folder row's own folder, a file's parent,
// the folder the ".." row stands in. Empty when the pane has no opened folder. The folder may not
// exist yet when the row is missing in that pane.
std::string DropFolder(const DiffItem& row, int side, const std::string& openedPath);

// A drag that began in pane `sourcePane` with `dragged` rows may land on `target` in pane
// `targetPane`: not on no row, not on a dragged row or the folder holding one in the pane it came
// from, and not into a folder that lies inside a dragged one (`draggedPaths`; checked on disk).
bool InsideDropAllowed(FileSystem& fs, const DiffItem* target, int targetPane,
                       const std::string& targetOpenedPath, int sourcePane,
                       const std::vector<const DiffItem*>& dragged,
                       const std::vector<std::string>& draggedPaths);

// A dropped file the text editor may open: its encoding is detected as text.
bool IsDroppedTextFile(const std::string& path);

struct DropRefusal {
    std::string text;
    std::string caption;  // empty: the program's name
};

// `folder` is `inner` itself or one of the folders above it, on disk (device and inode), so that
// links and bind mounts are seen through.
bool FolderContains(FileSystem& fs, const std::string& folder, const std::string& inner);

// The checks before `paths` are copied (or moved) into `folder` of a pane that shows
// `openedPath`: nothing when the drop may go ahead. A `folder` that does not exist yet passes;
// the drop makes its chain (MakeFolderChain) before it copies.
std::optional<DropRefusal> CheckDrop(FileSystem& fs, const std::string& openedPath,
                                     const std::string& folder,
                                     const std::vector<std::string>& paths, bool copy);

}  // namespace quillon
