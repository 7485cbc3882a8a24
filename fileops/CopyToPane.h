// Copy to Right and Copy to Left: the selected rows of one pane are copied to the same place in the
// other pane's tree, missing parent folders made on the way. The questions, the failure report and
// the progress window go through the core's interfaces; the rows copied are brought up to date in
// the tree so that both panes hold them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class Comparison;
class ComparisonObserver;
class ProgressFactory;
class Prompter;
struct DiffItem;
struct FileOpsContext;

inline constexpr const char* kLogStartCopy = "starting COPY process...";
inline constexpr const char* kLogFinishCopy = "finishing COPY process...";
inline constexpr const char* kLogCancelCopy = "cancelling COPY process...";
inline constexpr const char* kFilterDirCopyKey = "FilterDirCopy_01";
inline constexpr const char* kFilterDirCopyText =
    "Currently 'File Display Filter' is enabled.\nTherefore, copying a folder may copy the items "
    "which aren't currently visible.\n\nDo you still want to continue?";
inline constexpr const char* kOverwriteFolderTexts[2] = {
    "You are about to overwrite the existing folder from Right to Left.",
    "You are about to overwrite the existing folder from Left to Right.",
};
inline constexpr const char* kOverwriteFolderQuestion =
    "Are you sure you want to delete the selected item(s) including the folder?";
inline constexpr const char* kCopyingSelectedText = "Copying the selected files.\n";
inline constexpr const char* kFailedOperationsText = "The following operation(s) failed:\n";
inline constexpr const char* kMissingParentFailedFormat =
    "- Copying [%s] due to its missing immediate parent and failure of SHCreateDirectoryEx().";
inline constexpr const char* kMissingParentImpossibleFormat =
    "- Copying [%s] due to its missing immediate parent, which is considered IMPOSSIBLE.";
inline constexpr const char* kCopyFileFailedFormat =
    "- Copying [%s/%s]\n  to [%s/%s]\n  Reason: %s\n";
inline constexpr const char* kCopyFolderFailedFormat = "- Copying [%s/%s/*.*] \n  to [%s/%s/*.*]\n";
inline constexpr const char* kSameFileReason = "the source and the destination are the same";

// A progress window opens at this many entries or bytes of work; below, the wait cursor shows.
inline constexpr uint64_t kCopyProgressCount = 101;
inline constexpr uint64_t kCopyProgressBytes = 30000001;

struct CopyToPaneResult {
    int copied = 0;
    int failed = 0;
    // A question was answered No or Cancel was pressed in the progress window.
    bool cancelled = false;
    bool progressShown = false;
};

// What the command works in: the comparison (its tree, filter and status rules), the two opened
// folders, and the window's wait cursor and progress windows (either may be null).
struct CopyToPaneScene {
    Comparison& comparison;
    const std::string* openedPaths;  // [2]
    Prompter& prompter;
    ProgressFactory* progress = nullptr;
    ComparisonObserver* observer = nullptr;
};

// The folder that holds the row's entry in `side`'s tree: the row's own folder there, else the
// folder it would have, worked out from its nearest ancestor present on that side. Empty when
// the side has no opened folder.
std::string FolderInPane(const DiffItem& row, int side, const std::string& openedPath);

// The folder of pane `side` that new entries for the row go into (a new folder, a drop): the
// folder row itself, or a file row's folder, as FolderInPane finds it; it may not exist yet.
std::string FolderForRowEntries(const DiffItem& row, int side, const std::string& openedPath);

// Copies `rows` (list order) from the other pane to the pane `destination`, journalled as one
// operation when ctx.journal is set. The copied rows (and their loaded descendants) take the
// destination side from the disk and their statuses are decided again; the rows shown do not
// change.
CopyToPaneResult CopyToOtherPane(FileOpsContext& ctx, const CopyToPaneScene& scene, int destination,
                                 const std::vector<DiffItem*>& rows);

}  // namespace quillon
